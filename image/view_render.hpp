// A fast rendering for the picture view's commonest zooms: a true-colour picture enlarged by a
// whole factor (100, 200, 400 %). Each displayed pixel then lies wholly inside one source
// pixel, so the resize transform's stretch gives exactly that pixel; repeating pixels and rows
// gives the same picture at the speed of writing it.
#pragma once

class TDibGraphic;

// Renders `Source` at `Width` x `Height` into `Dest` when that is a whole multiple of the
// source's size, equal on both sides, and the source is true colour; otherwise returns false
// and leaves `Dest` alone.
bool render_whole_zoom(const TDibGraphic& Source, TDibGraphic& Dest, int Width, int Height);
