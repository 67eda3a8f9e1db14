// The C runtime's start-up step that patches pseudo-relocations, for programs that have none.
//
// mingw's relocator, and the section walker it needs (about 2.5 KB), exist for data that a
// program imports from a DLL by auto-import. The launcher imports only functions, through import
// libraries, so the linker writes no pseudo-relocations; should one ever appear, the start stops
// here instead of running with an address left unpatched.
#include <cstdlib>

extern "C" {

extern char __RUNTIME_PSEUDO_RELOC_LIST__;
extern char __RUNTIME_PSEUDO_RELOC_LIST_END__;

void _pei386_runtime_relocator() {
  if (&__RUNTIME_PSEUDO_RELOC_LIST__ != &__RUNTIME_PSEUDO_RELOC_LIST_END__) abort();
}

}  // extern "C"
