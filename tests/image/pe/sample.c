/* A small freestanding library for the module loader tests: an entry routine that reports to its
   host, imports by name and by ordinal from two host libraries, 64-bit and 32-bit absolute
   addresses that need fixing when the image moves, a zero-filled section, a forwarded export and
   an export whose name differs from another only in case. */

/* Imports from "hooks.dll". */
__declspec(dllimport) int note_reason(void* instance, unsigned reason);
__declspec(dllimport) int scale(int value);
__declspec(dllimport) int ordinal_seven(int value); /* imported by ordinal 7 */
/* Import from "more.dll". */
__declspec(dllimport) int offset(int value);

static int attach_count; /* zero-filled section */

__declspec(dllexport) int value_cell = 1234;
/* An absolute pointer the optimiser cannot fold: the base relocation table has to fix it. */
int* volatile value_pointer = &value_cell;

/* A 32-bit absolute address of value_cell, fixed by a high-low relocation. */
__asm__(".data\n"
        ".globl highlow_cell\n"
        ".p2align 2\n"
        "highlow_cell:\n"
        ".long value_cell\n"
        ".section .drectve\n"
        ".ascii \" -export:highlow_cell,data\"\n"
        ".text\n");

int DllMain(void* instance, unsigned reason, void* reserved) {
  (void)reserved;
  if (reason == 1) ++attach_count;
  return note_reason(instance, reason);
}

__declspec(dllexport) int add_numbers(int a, int b) { return a + b; }
__declspec(dllexport) int scaled(int value) { return scale(value); }
__declspec(dllexport) int by_ordinal(int value) { return ordinal_seven(value); }
__declspec(dllexport) int shifted(int value) { return offset(value); }
__declspec(dllexport) int read_value(void) { return *value_pointer; }
__declspec(dllexport) int* value_address(void) { return value_pointer; }
__declspec(dllexport) int attached(void) { return attach_count; }
__declspec(dllexport) int MixedCase(void) { return 1; }
__declspec(dllexport) int mixedcase(void) { return 2; }
