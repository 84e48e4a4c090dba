// Registration of the annotation tools with the picture view: an explicit call of the
// program's main and of the test mains (never a static initialiser, which a static library
// would drop).
#pragma once

// Makes the picture view create its annotations editors, its annotating handler and its
// rubber band from this folder.
void register_annotation_tools();
