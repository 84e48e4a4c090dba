// The image library's start-up and clean-up: the picture model's unit work and the registration
// of the library's picture file formats, made by the program's main and by every test main
// before pictures are loaded by extension.
#pragma once

// TDibGraphic registered with the picture container for CF_BITMAP and the halftone palette made;
// then, in this order: "PPM", "PGM", "PBM" (TPpmGraphic), "TIF", "TIFF" (TTiffGraphic), "JPG",
// "JPEG" (TJpegGraphic), "PNG" (TPngGraphic); and TIconGraphic as the class that hands pictures
// to icons. Calls while registered do nothing.
void register_image_formats();
// The clean-up at the end: the registry's entries and list freed (each class withdrawn from
// the picture container), the icon class cleared, the halftone palette deleted and TDibGraphic
// withdrawn. register_image_formats may run again afterwards.
void unregister_image_formats();
