// How many processors the work of one operation may be shared out on.
#pragma once

// The processors this process may run on (its CPU affinity), at least 1.
int usable_processors();
