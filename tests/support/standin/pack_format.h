// The stand-in's "pack200" format: what test helpers write as name.jar.pack and unpack200.exe turns back into
// the jar.
//
// Not real pack200: a magic line, the jar's length (8 bytes, little-endian) and the jar's bytes
// each XORed with 0x5A, so a packed file is never a usable jar and a launcher that renamed it
// instead of running the unpacker is caught.
#ifndef DRX_TESTS_STANDIN_PACK_FORMAT_H
#define DRX_TESTS_STANDIN_PACK_FORMAT_H

#include <string>
#include <string_view>

namespace standin {

std::string packJar(std::string_view jar);
// False for data that is not in this format or is cut short.
bool unpackJar(std::string_view packed, std::string& jar);

}  // namespace standin

#endif
