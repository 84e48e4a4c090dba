// Registration of the annotation tools with the picture view: an explicit call of the
// program's main and of the test mains (never a static initialiser, which a static library
// would drop).
#pragma once

// Makes the picture view create its annotations editors from this folder's TAnnotationsEditor.
void register_annotation_tools();
