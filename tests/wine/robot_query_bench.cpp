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
// that is the socket's alone.  Last, where a question's time goes on the
// asking side: the median of each step of the exchange (the connection, the
// request written, the wait for the whole response, which holds all of the
// robot's work, and the close); and the cost under Wine of the pieces the
// robot's side is made of, each alone in this process: a thread started and
// joined (the robot starts one per connection), a message sent to a window of
// another thread (the hop to the robot's user-interface thread), and the
// same exchange with a server thread of this process that is already
// waiting for it (the sockets alone).
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/socket.h"
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

  // The exchange step by step, as protocol::Exchange makes it.
  {
    std::vector<double> steps[4];
    const auto since = [&](const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
      return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) /
             static_cast<double>(frequency.QuadPart);
    };
    for (int i = 0; i < count; ++i) {
      protocol::CBuffer out;
      protocol::CBuffer in;
      if (!protocol::EncodeRequest(request, clock, out)) break;
      LARGE_INTEGER t0, t1, t2, t3, t4;
      ::QueryPerformanceCounter(&t0);
      bool ok = false;
      {
        korvex::net::InitializeSockets();
        korvex::net::Socket socket = korvex::net::Socket::Tcp();
        ok = socket.IsValid() &&
             socket.Connect(protocol::kRobotAddress, protocol::kRobotPort, protocol::kConnectWaitMs);
        ::QueryPerformanceCounter(&t1);
        ok = ok && protocol::WriteMessage(socket, out);
        ::QueryPerformanceCounter(&t2);
        ok = ok && protocol::ReadMessage(socket, protocol::kResponseBounds, in);
        ::QueryPerformanceCounter(&t3);
      }
      ::QueryPerformanceCounter(&t4);
      if (!ok) continue;
      steps[0].push_back(since(t0, t1));
      steps[1].push_back(since(t1, t2));
      steps[2].push_back(since(t2, t3));
      steps[3].push_back(since(t3, t4));
    }
    const char* names[4] = {"socket and connect", "request written", "response awaited and read",
                            "close"};
    if (!steps[0].empty()) {
      std::printf("the question's exchange, step by step (n=%zu, ms):\n", steps[0].size());
      for (int k = 0; k < 4; ++k) {
        const double p50 = at(steps[k], 0.50);
        std::printf("  %-28s p50=%.3f p99=%.3f\n", names[k], p50, at(steps[k], 0.99));
      }
    }
  }

  // The pieces, each alone.
  {
    const auto median_of = [&](const std::function<void()>& step, int n) {
      std::vector<double> v;
      for (int i = 0; i < n; ++i) {
        LARGE_INTEGER a, b;
        ::QueryPerformanceCounter(&a);
        step();
        ::QueryPerformanceCounter(&b);
        v.push_back(1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) /
                    static_cast<double>(frequency.QuadPart));
      }
      return std::pair<double, double>(at(v, 0.50), at(v, 0.99));
    };
    const int n = std::min(count, 200);
    const auto thread = median_of([] { std::thread([] {}).join(); }, n);

    // A window of another thread, answering every message at once.
    HWND window = nullptr;
    HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread ui([&] {
      window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                 nullptr);
      ::SetEvent(ready);
      MSG msg;
      while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    });
    ::WaitForSingleObject(ready, INFINITE);
    const auto hop = median_of([&] { ::SendMessageW(window, WM_NULL, 0, 0); }, n);
    ::PostMessageW(window, WM_QUIT, 0, 0);
    ui.join();
    ::CloseHandle(ready);

    // The same exchange with a server thread that is already waiting: the
    // request read and a response of the robot's size written back.
    protocol::CBuffer out;
    protocol::CBuffer in;
    protocol::EncodeRequest(request, clock, out);
    protocol::Exchange(protocol::kRobotPort, out, in);
    korvex::net::Socket listening = korvex::net::Socket::Tcp();
    listening.Bind(protocol::kRobotAddress, 0);
    listening.Listen(8);
    const std::uint16_t port = listening.LocalPort();
    std::atomic<bool> stop{false};
    std::thread server([&] {
      while (!stop) {
        if (korvex::net::WaitReadable(listening, 200, nullptr) != korvex::net::WaitResult::kReady) {
          continue;
        }
        korvex::net::Socket client = listening.Accept();
        if (!client.IsValid() || !client.SetNonBlocking()) continue;
        protocol::CBuffer got;
        if (protocol::ReadMessage(client, protocol::kRequestBounds, got)) {
          protocol::WriteMessage(client, in);
        }
      }
    });
    const auto sockets = median_of(
        [&] {
          protocol::CBuffer response;
          protocol::Exchange(port, out, response);
        },
        n);
    stop = true;
    server.join();
    std::printf("the pieces alone, under Wine (n=%d, ms):\n", n);
    std::printf("  %-44s p50=%.3f p99=%.3f\n", "a thread started and joined", thread.first,
                thread.second);
    std::printf("  %-44s p50=%.3f p99=%.3f\n", "a message sent to another thread's window",
                hop.first, hop.second);
    std::printf("  %-44s p50=%.3f p99=%.3f\n", "the exchange with a waiting server thread",
                sockets.first, sockets.second);
  }

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
