/* A small freestanding library that imports a routine from the C library of the host, through the
   default system loader. It only hands the resolved address back: the routine itself follows the
   host's calling convention, not this library's. */

__declspec(dllimport) int getpid(void); /* from "libc.so.6" */

int DllMain(void* instance, unsigned reason, void* reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return 1;
}

__declspec(dllexport) void* getpid_address(void) { return (void*)&getpid; }
