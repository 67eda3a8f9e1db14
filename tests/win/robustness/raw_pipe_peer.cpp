// The peer of the pipe fault tests: connects to a drxinst listener with plain file calls, writes the
// first bytes of a block announcing 100,000 bytes, tells the test, and waits there to be killed.
//   raw_pipe_peer PIPE EVENT PREFIX_BYTES DATA_BYTES
// PREFIX_BYTES (0-4) of the length prefix, then DATA_BYTES of content; EVENT is set once written.
// Exit codes: 2 bad usage, 3 a failed step; otherwise it never ends by itself.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  const int prefixBytes = _wtoi(argv[3]);
  const int dataBytes = _wtoi(argv[4]);
  if (prefixBytes < 0 || prefixBytes > 4 || dataBytes < 0) return 2;

  HANDLE pipe = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 200 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
    pipe = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) Sleep(50);
  }
  if (pipe == INVALID_HANDLE_VALUE) return 3;

  std::vector<unsigned char> bytes(static_cast<size_t>(prefixBytes + dataBytes), 0xEE);
  const unsigned length = 100000;
  for (int i = 0; i < prefixBytes; ++i) bytes[i] = static_cast<unsigned char>(length >> (8 * i));
  DWORD written = 0;
  if (!bytes.empty() && !WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
    return 3;

  HANDLE written_ = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  if (!written_ || !SetEvent(written_)) return 3;
  Sleep(INFINITE);
  return 0;
}
