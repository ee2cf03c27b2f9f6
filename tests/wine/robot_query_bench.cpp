// The round trip of one question of the tariff control to the running
// KORVEX.exe, with the real program's hop to its user-interface thread: the
// connection, the signed request, SendMessageW 0x402 to the main frame, the
// lookup in the active profile, its journal record, and the signed
// response.  Run it while the robot has a profile active that answers the
// question (tests/bench/robot_answer_bench.sh does):
//
//   robot_query_bench.exe [--count N] NAME
//
// asks N times (default 500) for the value of the data-input question
// "Ingrese por favor el valor de NAME :" and prints the median and the 99th
// percentile in milliseconds, and how many questions found no answer.
// Then, for what bounds it, the same figures of a bare connection to the
// robot's port (connect and close, no question): the part of the round trip
// that is the socket's alone.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "protocol/framing.h"
#include "protocol/messages.h"
#include "tarifex/ansi.h"

int wmain(int argc, wchar_t** argv) {
  int count = 500;
  std::wstring name;
  for (int i = 1; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--count" && i + 1 < argc) {
      count = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
    } else {
      name = argv[i];
    }
  }
  if (name.empty() || count <= 0) {
    std::fprintf(stderr, "usage: robot_query_bench.exe [--count N] NAME\n");
    return 2;
  }
  // The question as the tariff control's client sends it for item 1: its
  // 8-bit name, the protocol's request, the exchange and the response.
  namespace protocol = korvex::protocol;
  korvex::SystemClock clock;
  protocol::PreguntaTextoRequest request;
  request.item = 1;
  request.name = korvex::tarifex::FromAnsi(
      korvex::tarifex::ToAnsi(korvex::Text(name.begin(), name.end())));
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  std::vector<double> ms;
  int unanswered = 0;
  for (int i = 0; i < count; ++i) {
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    protocol::CBuffer out;
    protocol::CBuffer in;
    protocol::PreguntaTextoResponse response;
    const bool answered = protocol::EncodeRequest(request, clock, out) &&
                          protocol::Exchange(protocol::kRobotPort, out, in) &&
                          protocol::DecodeResponse(in, clock, response) &&
                          response.acknowledged != 0;
    ::QueryPerformanceCounter(&end);
    if (!answered) ++unanswered;
    ms.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                 static_cast<double>(frequency.QuadPart));
  }
  const auto at = [](std::vector<double>& v, double q) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
  };
  std::printf("query round trip: n=%d p50=%.3f ms p99=%.3f ms unanswered=%d\n", count,
              at(ms, 0.50), at(ms, 0.99), unanswered);

  // The bare connection: connect to 127.0.0.1:19697 and close.  The robot
  // gives each connection a thread that waits for its request; a pause
  // between them (not timed) lets it end, as the pause of a question's
  // answer does, so that the listener's backlog never fills.
  WSADATA wsa;
  ::WSAStartup(MAKEWORD(1, 1), &wsa);
  std::vector<double> bare;
  for (int i = 0; i < count; ++i) {
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in robot_address{};
    robot_address.sin_family = AF_INET;
    robot_address.sin_port = htons(19697);
    robot_address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        s != INVALID_SOCKET &&
        ::connect(s, reinterpret_cast<const sockaddr*>(&robot_address), sizeof robot_address) == 0;
    if (s != INVALID_SOCKET) ::closesocket(s);
    ::QueryPerformanceCounter(&end);
    ::Sleep(5);
    if (!connected) continue;
    bare.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                   static_cast<double>(frequency.QuadPart));
  }
  if (!bare.empty()) {
    std::printf("bare connection (connect, close): n=%zu p50=%.3f ms p99=%.3f ms\n", bare.size(),
                at(bare, 0.50), at(bare, 0.99));
  }
  ::WSACleanup();
  return unanswered == 0 ? 0 : 1;
}
