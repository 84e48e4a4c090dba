// The registration of the library's picture file formats, made once by the program's main and
// by every test main before pictures are loaded by extension.
#pragma once

// Registers, in this order: "PPM", "PGM", "PBM" (TPpmGraphic), "TIF", "TIFF" (TTiffGraphic),
// "JPG", "JPEG" (TJpegGraphic), "PNG" (TPngGraphic). Later calls do nothing.
void register_image_formats();
