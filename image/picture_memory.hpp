// Where the large blocks of pictures live.
#pragma once

// Pictures cross between the codec library and the picture model in blocks of tens of
// megabytes, several per load or save. Left to the C library, each such block is a fresh
// mapping whose every page is faulted in and cleared by the system on first touch (about 20 ms
// for a 36 MB block here), which costs more than the copies themselves. This keeps blocks of up
// to 1 GB in the process heap and up to 512 MB of freed heap memory for reuse, so that the next
// picture's blocks find their pages ready. Called once at start-up. The pictures' own pixel
// buffers are mappings of their own (platform/pixel_memory.hpp), and the view gives the heap's
// freed memory back to the system after each load.
void keep_picture_memory_in_heap();
