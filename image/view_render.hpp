// A fast rendering for the picture view's zooms above 100 %: a true-colour picture enlarged to
// any size at least its own, with exactly the pixels of the resize transform's stretch.
//
// In an enlargement each displayed pixel overlaps at most two source pixels along each side. A
// displayed row that lies wholly inside one source row is that row stretched sideways: its
// pixels repeat the source pixels, with one mixed pixel where a displayed pixel straddles two
// of them. Such a row is made once per source row and copied for the rows below it; a row that
// straddles two source rows is mixed from them. Only the mixed values are computed, with the
// stretch's own exact integer rounding.
#pragma once

class TDibGraphic;

// Renders `Source` at `Width` x `Height` into `Dest` when that is at least the source's size on
// both sides and the source is true colour; otherwise returns false and leaves `Dest` alone.
bool render_enlarged(const TDibGraphic& Source, TDibGraphic& Dest, int Width, int Height);

// The rendering uses 256-bit vector instructions where the processor has them; tests switch to
// the plain code (what every x86-64 processor runs) to check it too.
void render_enlarged_use_plain_code(bool plain);
