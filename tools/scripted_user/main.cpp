// scripted_user.exe: a person at the desktop, from a script
// (tools/scripted_user/user_script.h has the steps).  The end-to-end test and
// the demo use it to work the robot and the simulated host together.
//
//   scripted_user.exe --script FILE [--report FILE] [--shots DIR]
//                     [--max-seconds N]
//
// Every step is reported as it ends, one line each, UTF-8, on standard
// output and in the report file:
//
//   ok line=12 step=click button="&Sí"
//   window line=8 name=replica caption="Pregunta" class=#32770 of=KORVEX.exe
//          rect=100,100,400,250 owner="Pregunta" owner-of=Dossa.exe
//   button line=8 id=6 text="&Sí" enabled=1 rect=...
//   row line=30 n=1 cells="0001|Automática|El item ..."
//   failed line=14 step=wait-window why="..."
//
// The first step that fails ends the program with exit code 1; 0 when
// every step was carried out; 2 for a script that cannot be read; 3 when
// --max-seconds ran out.
//
// --shots DIR: "shot name=N" writes DIR\N.request and waits (at most 20 s)
// for DIR\N.done, which the screenshot script writes once it has taken the
// picture; without --shots a shot step does nothing.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cstddef>
#include <cwctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tools/common/time_scale.h"
#include "tools/scripted_user/user_script.h"

namespace korvex::scripted_user {
namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr std::int64_t kDefaultTimeoutMs = 30000;
constexpr std::int64_t kExpectTimeoutMs = 3000;
constexpr wchar_t kRobotFrameCaption[] = L"PILOTEK_MAIN_FRAME";
constexpr UINT kTrayCallback = WM_USER;
constexpr UINT kTrayId = 132;

std::wstring W(TextView text) { return std::wstring(text.begin(), text.end()); }

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

std::string QuotedUtf8(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    if (c == '\r') continue;
    out += c;
  }
  return out + "\"";
}

std::string Quoted(const std::wstring& text) { return QuotedUtf8(Utf8(text)); }

// --- the report ------------------------------------------------------------------------------

HANDLE g_reportFile = INVALID_HANDLE_VALUE;

void Report(const std::string& line) {
  const std::string text = line + "\n";
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
  if (g_reportFile != INVALID_HANDLE_VALUE) {
    ::WriteFile(g_reportFile, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::FlushFileBuffers(g_reportFile);
  }
}

class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& why) : std::runtime_error(why) {}
};

// --- windows and programs -----------------------------------------------------------------------

std::wstring TextOf(HWND window) {
  // Another program's window: GetWindowTextW reads it without a message.
  wchar_t buffer[1024];
  const int length = ::GetWindowTextW(window, buffer, 1024);
  return std::wstring(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256];
  const int length = ::GetClassNameW(window, buffer, 256);
  return std::wstring(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring ProgramOf(DWORD process_id) {
  std::wstring name = L"<unknown>";
  const HANDLE process =
      ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id);
  if (process == nullptr) return name;
  HMODULE first = nullptr;
  DWORD needed = 0;
  wchar_t buffer[MAX_PATH];
  if (::EnumProcessModules(process, &first, sizeof first, &needed) &&
      ::GetModuleBaseNameW(process, first, buffer, MAX_PATH) != 0) {
    name = buffer;
  }
  ::CloseHandle(process);
  return name;
}

std::wstring ProgramOfWindow(HWND window) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  return ProgramOf(process_id);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring WithoutAmpersands(std::wstring text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c != L'&') out += c;
  }
  return out;
}

struct WindowQuery {
  std::wstring caption;
  std::wstring class_name;  // empty: any
  std::wstring program;     // empty: any
  bool hidden_too = false;
};

bool Matches(HWND window, const WindowQuery& query) {
  if (!query.hidden_too && !::IsWindowVisible(window)) return false;
  if (TextOf(window) != query.caption) return false;
  if (!query.class_name.empty() && ClassOf(window) != query.class_name) return false;
  if (!query.program.empty() && !SameName(ProgramOfWindow(window), query.program)) return false;
  return true;
}

// The top-level windows, topmost first.
std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w != nullptr;
       w = ::GetWindow(w, GW_HWNDNEXT)) {
    windows.push_back(w);
  }
  return windows;
}

HWND FindTopLevel(const WindowQuery& query) {
  for (HWND window : TopLevelWindows()) {
    if (Matches(window, query)) return window;
  }
  return nullptr;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

// A button as a person sees one: the system's "Button" class, or a class
// of its own whose name says button ("ThunderRT6CommandButton").
bool IsButton(HWND window) {
  std::wstring name = ClassOf(window);
  for (wchar_t& c : name) c = static_cast<wchar_t>(::towlower(c));
  return name.find(L"button") != std::wstring::npos;
}

HWND FindButton(HWND dialog, const std::wstring& text) {
  const std::wstring wanted = WithoutAmpersands(text);
  for (HWND child : Children(dialog)) {
    if (IsButton(child) && WithoutAmpersands(TextOf(child)) == wanted) {
      return child;
    }
  }
  return nullptr;
}

std::vector<DWORD> ProcessesNamed(const std::wstring& program) {
  std::vector<DWORD> found;
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32W entry{sizeof entry};
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
       more = ::Process32NextW(snapshot, &entry)) {
    if (SameName(entry.szExeFile, program)) found.push_back(entry.th32ProcessID);
  }
  ::CloseHandle(snapshot);
  return found;
}

std::string RectText(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
  return buffer;
}

// Waits, handling nothing of its own, until done() or the time runs out (the
// limit stretched by KORVEX_TIME_SCALE).
bool WaitFor(std::int64_t timeout_ms, const std::function<bool()>& done, DWORD step_ms = 20) {
  const ULONGLONG end = ::GetTickCount64() +
                        tools::ScaledMs(static_cast<std::uint64_t>(std::max<std::int64_t>(timeout_ms, 0)));
  for (;;) {
    if (done()) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(step_ms);
  }
}

LRESULT SendBounded(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (::SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG,
                            tools::ScaledMs(kSendTimeoutMs), &result) == 0) {
    throw Failure("the window did not answer in time");
  }
  return static_cast<LRESULT>(result);
}

// Memory lent in the program of a window, for the messages whose pointers
// the system does not carry across programs (a list view's).
class RemoteMemory {
 public:
  RemoteMemory(HWND window, std::size_t size) {
    DWORD process_id = 0;
    ::GetWindowThreadProcessId(window, &process_id);
    m_process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                              process_id);
    if (m_process == nullptr) throw Failure("the window's program cannot be read");
    m_address = ::VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (m_address == nullptr) {
      ::CloseHandle(m_process);
      throw Failure("no memory in the window's program");
    }
  }
  ~RemoteMemory() {
    ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    ::CloseHandle(m_process);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  void* Address() const { return m_address; }
  void Write(const void* data, std::size_t size) {
    ::WriteProcessMemory(m_process, m_address, data, size, nullptr);
  }
  void Read(void* data, std::size_t size, std::size_t offset = 0) {
    ::ReadProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, nullptr);
  }

 private:
  HANDLE m_process = nullptr;
  void* m_address = nullptr;
};

bool ReadFileText(const std::wstring& path, std::string& bytes) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes.clear();
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  ::CloseHandle(file);
  return true;
}

int CountLinesWith(const std::wstring& path, const std::string& text) {
  std::string bytes;
  if (!ReadFileText(path, bytes)) return 0;
  int count = 0;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t end = std::min(bytes.find('\n', pos), bytes.size());
    if (std::string_view(bytes).substr(pos, end - pos).find(text) != std::string_view::npos) {
      ++count;
    }
    pos = end + 1;
  }
  return count;
}

// --- the person ---------------------------------------------------------------------------------

class Person final : public StepActions {
 public:
  explicit Person(std::wstring shots) : m_shots(std::move(shots)) {}

  // Carries the step out by its member of the table of steps.
  void Do(const Step& step) {
    m_step = &step;
    if (step.run == nullptr) throw Failure("no such step");
    (this->*step.run)();
  }

 private:
  std::string Line() const { return "line=" + std::to_string(m_step->line); }
  std::int64_t Timeout() const { return m_step->Number("timeout").value_or(kDefaultTimeoutMs); }

  // The window the step names (or the current one), whether or not it is
  // still there.
  HWND NamedWindow() {
    HWND window = m_current;
    if (const auto name = m_step->Get("window")) {
      const auto it = m_named.find(ToUtf8(*name));
      if (it == m_named.end()) throw Failure("no window is named " + ToUtf8(*name));
      window = it->second;
    }
    return window;
  }

  HWND WindowArg() {
    const HWND window = NamedWindow();
    if (window == nullptr || !::IsWindow(window)) throw Failure("the window is not there");
    return window;
  }

  HWND Control(HWND window) {
    const auto id = m_step->Number("control");
    const HWND control = ::GetDlgItem(window, static_cast<int>(*id));
    if (control == nullptr) throw Failure("the window has no control " + std::to_string(*id));
    return control;
  }

  HWND Button(HWND window) {
    if (m_step->Get("control")) return Control(window);
    const std::wstring text = W(*m_step->Get("button"));
    const HWND button = FindButton(window, text);
    if (button == nullptr) throw Failure("no button reads " + Quoted(text));
    return button;
  }

  // What a control of another program shows: its text comes by a message
  // (GetWindowTextW does not read another program's edit).
  std::wstring ControlText(HWND control) {
    const auto length = SendBounded(control, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    const auto got = SendBounded(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(0, std::min<LRESULT>(got, length))));
    return text;
  }

  static bool HasClass(HWND window, const wchar_t* name) { return SameName(ClassOf(window), name); }

  void WaitWindow() override {
    WindowQuery query{W(*m_step->Get("caption")), W(m_step->GetOr("class", u"")),
                      W(m_step->GetOr("of", u"")), m_step->GetOr("hidden", u"no") == u"yes"};
    HWND found = nullptr;
    if (!WaitFor(Timeout(), [&] { return (found = FindTopLevel(query)) != nullptr; })) {
      throw Failure("no window " + Quoted(query.caption) + " appeared");
    }
    m_current = found;
    if (const auto name = m_step->Get("as")) m_named[ToUtf8(*name)] = found;
    DescribeWindow(found);
  }

  void WaitGone() override {
    // A window that went before the step looked at it is gone all the same.
    const HWND window = NamedWindow();
    if (!WaitFor(Timeout(), [&] { return !::IsWindow(window) || !::IsWindowVisible(window); })) {
      throw Failure("the window is still there");
    }
  }

  void Click() override {
    const HWND button = Button(WindowArg());
    if (!::IsWindowEnabled(button)) throw Failure("the button is disabled");
    // A click: the button's press is posted, so a program that opens a modal
    // box in its handler does not hold us.
    ::PostMessageW(button, BM_CLICK, 0, 0);
  }

  void Type() override {
    const HWND edit = Control(WindowArg());
    const std::wstring text = W(*m_step->Get("text"));
    SendBounded(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }

  void Select() override {
    const HWND window = WindowArg();
    const HWND list = Control(window);
    const auto index = *m_step->Number("index");
    const bool combo = HasClass(list, L"ComboBox");
    if (SendBounded(list, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0) ==
        (combo ? CB_ERR : LB_ERR)) {
      throw Failure("the list has no item " + std::to_string(index));
    }
    SendBounded(window, WM_COMMAND,
                MAKEWPARAM(::GetDlgCtrlID(list), combo ? CBN_SELCHANGE : LBN_SELCHANGE),
                reinterpret_cast<LPARAM>(list));
  }

  // The rectangle of a list view's row, read through memory lent in the
  // list's program; then a click where the hit test says the row's check box
  // is, as a person clicks it.
  void Tick() override {
    const HWND list = Control(WindowArg());
    const auto row = static_cast<int>(*m_step->Number("row"));
    const bool wanted = m_step->GetOr("checked", u"yes") == u"yes";
    const auto checked = [&] {
      return (SendBounded(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) &
              LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    };
    if (row < 0 || row >= SendBounded(list, LVM_GETITEMCOUNT, 0, 0)) {
      throw Failure("the list has no row " + std::to_string(row));
    }
    if (checked() == wanted) return;
    RemoteMemory remote(list, sizeof(RECT) + sizeof(LVHITTESTINFO));
    RECT bounds{LVIR_BOUNDS, 0, 0, 0};
    remote.Write(&bounds, sizeof bounds);
    if (!SendBounded(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(remote.Address()))) {
      throw Failure("the row has no rectangle");
    }
    remote.Read(&bounds, sizeof bounds);
    POINT at{-1, (bounds.top + bounds.bottom) / 2};
    for (LONG x = std::max<LONG>(bounds.left, 0); x < bounds.left + 40; ++x) {
      LVHITTESTINFO hit{};
      hit.pt = {x, at.y};
      remote.Write(&hit, sizeof hit);
      SendBounded(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(remote.Address()));
      remote.Read(&hit, sizeof hit);
      if (hit.iItem == row && (hit.flags & LVHT_ONITEMSTATEICON) != 0) {
        at.x = x + 3;  // inside the box, off its edge
        break;
      }
    }
    if (at.x < 0) throw Failure("the row shows no check box");
    ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    ::PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    if (!WaitFor(5000, [&] { return checked() == wanted; })) {
      throw Failure("the check box did not change");
    }
  }

  static BOOL CALLBACK FindTree(HWND child, LPARAM found) {
    if (!HasClass(child, L"SysTreeView32")) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
  }

  // The item a tree view of the window shows selected, as a person reads it
  // before pressing a button that takes it.
  void ExpectTree() override {
    const HWND window = WindowArg();
    HWND tree = nullptr;
    ::EnumChildWindows(window, &FindTree, reinterpret_cast<LPARAM>(&tree));
    if (tree == nullptr) throw Failure("the window has no tree");
    const std::wstring wanted = W(*m_step->Get("selected"));
    constexpr std::size_t kTextChars = 512;
    RemoteMemory remote(tree, sizeof(TVITEMW) + kTextChars * sizeof(wchar_t));
    std::wstring shown;
    const auto selected = [&] {
      const auto item = SendBounded(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
      shown.clear();
      if (item == 0) return false;
      TVITEMW request{};
      request.mask = TVIF_TEXT | TVIF_HANDLE;
      request.hItem = reinterpret_cast<HTREEITEM>(item);
      request.cchTextMax = kTextChars;
      request.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote.Address()) + sizeof(TVITEMW));
      remote.Write(&request, sizeof request);
      if (!SendBounded(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.Address()))) return false;
      std::wstring text(kTextChars, L'\0');
      remote.Read(text.data(), (kTextChars - 1) * sizeof(wchar_t), sizeof(TVITEMW));
      text.resize(std::wcslen(text.c_str()));
      shown = text;
      return shown == wanted;
    };
    const bool seen = WaitFor(m_step->Number("timeout").value_or(kExpectTimeoutMs), selected);
    Report("tree " + Line() + " selected=" + Quoted(shown));
    if (!seen) throw Failure("the tree shows " + Quoted(shown) + " selected");
  }

  // The product version of a file, as the about box shows it.
  void ExpectVersion() override {
    const HWND control = Control(WindowArg());
    const std::wstring file = W(*m_step->Get("file"));
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (size == 0 || !::GetFileVersionInfoW(file.c_str(), 0, size, data.data()) ||
        !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        fixed == nullptr) {
      throw Failure("the file has no version resource");
    }
    const unsigned parts[4] = {HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                               HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS)};
    std::wstring wanted = L"Versi\u00f3n " + std::to_wstring(parts[0]) + L"." + std::to_wstring(parts[1]);
    if (parts[2] != 0 || parts[3] != 0) wanted += L"." + std::to_wstring(parts[2]);
    if (parts[3] != 0) wanted += L"." + std::to_wstring(parts[3]);
    const std::wstring shown = ControlText(control);
    Report("version " + Line() + " shown=" + Quoted(shown) + " resource=" + Quoted(wanted));
    if (shown != wanted) throw Failure("the version shown is not the file's");
  }

  void DoubleClick() override {
    const HWND window = WindowArg();
    const HWND list = Control(window);
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(list), LBN_DBLCLK),
                   reinterpret_cast<LPARAM>(list));
  }

  void Close() override { ::PostMessageW(WindowArg(), WM_SYSCOMMAND, SC_CLOSE, 0); }

  // A person looks until the control shows it: clicks and keys are posted,
  // so what they change shows a moment later.
  void Expect() override {
    const HWND control = Button(WindowArg());
    std::string differs;
    const auto seen = [&] {
      if (const auto enabled = m_step->Get("enabled")) {
        const bool wanted = *enabled == u"yes";
        if ((::IsWindowEnabled(control) != FALSE) != wanted) {
          differs = std::string("the control is ") + (wanted ? "disabled" : "enabled");
          return false;
        }
      }
      if (const auto text = m_step->Get("text")) {
        const std::wstring shown = ControlText(control);
        if (shown != W(*text)) {
          differs = "the control reads " + Quoted(shown);
          return false;
        }
      }
      if (const auto checked = m_step->Get("checked")) {
        const bool wanted = *checked == u"yes";
        if ((SendBounded(control, BM_GETCHECK, 0, 0) == BST_CHECKED) != wanted) {
          differs = std::string("the box is ") + (wanted ? "not checked" : "checked");
          return false;
        }
      }
      return true;
    };
    if (!WaitFor(m_step->Number("timeout").value_or(kExpectTimeoutMs), seen)) throw Failure(differs);
  }

  void Describe() override { DescribeWindow(WindowArg()); }

  void DescribeWindow(HWND window) {
    const HWND owner = ::GetWindow(window, GW_OWNER);
    std::string line = "window " + Line() + " caption=" + Quoted(TextOf(window)) +
                       " class=" + Utf8(ClassOf(window)) + " of=" + Utf8(ProgramOfWindow(window)) +
                       " rect=" + RectText(window) +
                       " foreground=" + (::GetForegroundWindow() == window ? "1" : "0");
    if (owner != nullptr) {
      line += " owner=" + Quoted(TextOf(owner)) + " owner-of=" + Utf8(ProgramOfWindow(owner)) +
              " owner-rect=" + RectText(owner) + " owner-enabled=" +
              (::IsWindowEnabled(owner) ? "1" : "0");
    }
    Report(line);
    for (HWND child : Children(window)) {
      const std::wstring cls = ClassOf(child);
      if (!SameName(cls, L"Button") && !SameName(cls, L"Static") && !SameName(cls, L"Edit")) {
        continue;
      }
      Report(Utf8(cls) + " " + Line() + " id=" + std::to_string(::GetDlgCtrlID(child)) +
             " text=" + Quoted(TextOf(child)) + " enabled=" +
             (::IsWindowEnabled(child) ? "1" : "0") + " visible=" +
             (::IsWindowVisible(child) ? "1" : "0"));
    }
  }

  // The rows of another program's list view, read through memory lent in
  // that program (a list view's texts are not messages' results); or the
  // items of a list box or a drop-down list.
  void Rows() override {
    const HWND list = Control(WindowArg());
    const bool items = HasClass(list, L"ListBox") || HasClass(list, L"ComboBox");
    if (const auto count = m_step->Number("count")) {
      // The list may be refilled a moment after the click that asked for it.
      const UINT get_count = HasClass(list, L"ComboBox") ? CB_GETCOUNT
                             : items                     ? LB_GETCOUNT
                                                         : LVM_GETITEMCOUNT;
      WaitFor(kExpectTimeoutMs, [&] { return SendBounded(list, get_count, 0, 0) == *count; });
    }
    const int rows = items ? ItemRows(list) : ListViewRows(list);
    if (const auto count = m_step->Number("count"); count && *count != rows) {
      throw Failure("the list has " + std::to_string(rows) + " rows");
    }
  }

  int ItemRows(HWND list) {
    const bool combo = HasClass(list, L"ComboBox");
    const int rows = static_cast<int>(SendBounded(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
    Report("rows " + Line() + " count=" + std::to_string(rows) + " columns=1");
    for (int row = 0; row < rows; ++row) {
      const auto length = SendBounded(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN,
                                      static_cast<WPARAM>(row), 0);
      std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
      const auto got = SendBounded(list, combo ? CB_GETLBTEXT : LB_GETTEXT,
                                   static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<std::size_t>(std::max<LRESULT>(0, std::min<LRESULT>(got, length))));
      Report("row " + Line() + " n=" + std::to_string(row + 1) + " cells=" + Quoted(text));
    }
    return rows;
  }

  int ListViewRows(HWND list) {
    const int rows = static_cast<int>(SendBounded(list, LVM_GETITEMCOUNT, 0, 0));
    const HWND header = reinterpret_cast<HWND>(SendBounded(list, LVM_GETHEADER, 0, 0));
    const int columns = header != nullptr ? static_cast<int>(SendBounded(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    const bool boxes = (SendBounded(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES) != 0;
    constexpr std::size_t kTextChars = 1024;
    RemoteMemory remote(list, sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
    Report("rows " + Line() + " count=" + std::to_string(rows) + " columns=" +
           std::to_string(columns));
    for (int row = 0; row < rows; ++row) {
      std::wstring cells;
      for (int column = 0; column < columns; ++column) {
        LVITEMW item{};
        item.iSubItem = column;
        item.cchTextMax = kTextChars;
        item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote.Address()) + sizeof(LVITEMW));
        remote.Write(&item, sizeof item);
        const auto length = SendBounded(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                        reinterpret_cast<LPARAM>(remote.Address()));
        std::wstring text(kTextChars, L'\0');
        remote.Read(text.data(), kTextChars * sizeof(wchar_t), sizeof(LVITEMW));
        text.resize(static_cast<std::size_t>(std::max<LRESULT>(0, std::min<LRESULT>(length, kTextChars - 1))));
        if (column > 0) cells += L"|";
        cells += text;
      }
      std::string line = "row " + Line() + " n=" + std::to_string(row + 1) + " cells=" + Quoted(cells);
      if (boxes) {
        const auto state = SendBounded(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK);
        line += std::string(" checked=") + ((state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2) ? "1" : "0");
      }
      Report(line);
    }
    return rows;
  }

  HWND RobotFrame() {
    const HWND frame = ::FindWindowW(nullptr, kRobotFrameCaption);
    if (frame == nullptr) throw Failure("the robot is not running");
    return frame;
  }

  // Clicks the robot's tray icon.  Where the notification area shows icons
  // as windows (Wine's system tray without a desktop shell), the click goes
  // to the icon's window, wherever other windows cover it; elsewhere it is
  // reported to the robot as the shell reports it, with the icon's callback
  // message.
  void Tray() override { ClickTray(W(*m_step->Get("click"))); }

  void ClickTray(const std::wstring& click) {
    const HWND frame = RobotFrame();
    std::vector<UINT> events;
    if (click == L"left") events = {WM_LBUTTONDOWN, WM_LBUTTONUP};
    if (click == L"double") events = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    if (click == L"right") events = {WM_RBUTTONDOWN, WM_RBUTTONUP};
    if (events.empty()) throw Failure("click is left, double or right");
    if (const HWND icon = ::FindWindowExW(::FindWindowW(L"__winex11_standalone_tray", nullptr),
                                          nullptr, L"__winex11_tray_icon", nullptr);
        icon != nullptr) {
      RECT r{};
      ::GetClientRect(icon, &r);
      const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
      for (UINT event : events) {
        const WPARAM keys = event == WM_LBUTTONDOWN || event == WM_LBUTTONDBLCLK ? MK_LBUTTON
                            : event == WM_RBUTTONDOWN                            ? MK_RBUTTON
                                                                                 : 0;
        ::PostMessageW(icon, event, keys, at);
      }
      return;
    }
    for (UINT event : events) ::PostMessageW(frame, kTrayCallback, kTrayId, event);
  }

  // Picks an item of the open pop-up menu by its mnemonic, as a person
  // pressing the underlined letter.
  //
  // With until-exit=PROGRAM the item is meant to end that program: a menu
  // can close before the key reaches it (another window taking the
  // foreground), so while the program is still running a few seconds later,
  // the person opens the tray menu again and picks the item again.
  void Menu() override {
    const std::wstring key = W(*m_step->Get("key"));
    if (key.size() != 1) throw Failure("key is one character");
    PickFromMenu(key[0]);
    const auto program = m_step->Get("until-exit");
    if (!program) return;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(tools::ScaledMs(Timeout()));
    while (!WaitFor(3000, [&] { return ProcessesNamed(W(*program)).empty(); }, 50)) {
      if (std::chrono::steady_clock::now() > deadline) throw Failure(ToUtf8(*program) + " is still running");
      Report("again " + Line());
      ClickTray(L"right");
      PickFromMenu(key[0]);
    }
  }

  void PickFromMenu(wchar_t key_char) {
    HWND menu = nullptr;
    if (!WaitFor(Timeout(), [&] {
          menu = ::FindWindowW(L"#32768", nullptr);
          return menu != nullptr && ::IsWindowVisible(menu);
        })) {
      throw Failure("no menu opened");
    }
    const std::wstring key(1, key_char);
    // The key goes to the menu's own thread, which runs the menu's loop,
    // whatever window has the keyboard focus.
    const SHORT scan = ::VkKeyScanW(key[0]);
    ::PostMessageW(menu, WM_KEYDOWN, static_cast<WPARAM>(LOBYTE(scan)), 1);
    ::PostMessageW(menu, WM_CHAR, static_cast<WPARAM>(key[0]), 1);
    ::PostMessageW(menu, WM_KEYUP, static_cast<WPARAM>(LOBYTE(scan)), 0xC0000001);
    if (!WaitFor(5000, [&] { return !::IsWindow(menu) || !::IsWindowVisible(menu); })) {
      throw Failure("the menu stayed open");
    }
  }

  void Slot() override {
    const std::wstring name = W(*m_step->Get("profile"));
    LRESULT result = -1;
    const bool selected = WaitFor(m_step->Number("timeout").value_or(0), [&] {
      const HWND frame = ::FindWindowW(nullptr, kRobotFrameCaption);
      if (frame == nullptr) return false;
      DWORD_PTR slot = 0;
      if (::SendMessageTimeoutW(frame, 0x4CA, static_cast<WPARAM>(0x5E3A91C4u),
                                static_cast<LPARAM>(0x8D27F06Bu), SMTO_ABORTIFHUNG,
                                tools::ScaledMs(kSendTimeoutMs), &slot) == 0 ||
          slot == 0 || slot == static_cast<DWORD_PTR>(-1)) {
        return false;
      }
      SendBounded(reinterpret_cast<HWND>(slot), WM_SETTEXT, 0,
                  reinterpret_cast<LPARAM>(name.c_str()));
      result = SendBounded(frame, 0x4CB, 0, 0);
      return result == 0;
    }, 100);
    Report("slot " + Line() + " result=" + std::to_string(result));
    if (!selected) throw Failure("the robot did not select the profile: " + std::to_string(result));
  }

  void Shot() override {
    if (m_shots.empty()) return;
    const std::wstring name = W(*m_step->Get("name"));
    const std::wstring request = m_shots + L"\\" + name + L".request";
    const std::wstring done = m_shots + L"\\" + name + L".done";
    ::DeleteFileW(done.c_str());
    // The request names the rectangle to keep ("left top right bottom"), or
    // nothing for the whole screen.
    std::string crop;
    const std::wstring what = W(m_step->GetOr("crop", u""));
    HWND around = nullptr;
    if (what == L"window") around = m_step->Get("window") ? WindowArg() : m_current;
    if (what == L"menu") {
      WaitFor(5000, [&] {
        around = ::FindWindowW(L"#32768", nullptr);
        return around != nullptr && ::IsWindowVisible(around);
      });
    }
    if (around != nullptr) {
      RECT r{};
      ::GetWindowRect(around, &r);
      crop = std::to_string(r.left) + " " + std::to_string(r.top) + " " +
             std::to_string(r.right) + " " + std::to_string(r.bottom);
    }
    const HANDLE file = ::CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      ::WriteFile(file, crop.data(), static_cast<DWORD>(crop.size()), &written, nullptr);
      ::CloseHandle(file);
    }
    if (!WaitFor(20000, [&] { return ::GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; },
                 50)) {
      Report("shot " + Line() + " name=" + Utf8(name) + " taken=0");
    }
  }

  void WaitReport() override {
    const std::wstring file = W(*m_step->Get("file"));
    const std::string text = ToUtf8(*m_step->Get("text"));
    const int count = static_cast<int>(m_step->Number("count").value_or(1));
    if (!WaitFor(Timeout(), [&] { return CountLinesWith(file, text) >= count; }, 25)) {
      throw Failure("the report has " + std::to_string(CountLinesWith(file, text)) +
                    " lines with \"" + text + "\", not " + std::to_string(count));
    }
  }

  // No dialog of the program shows up until the other report says so: every
  // visible top-level window of it but its mascot counts.
  void NoWindow() override {
    const std::wstring program = W(*m_step->Get("of"));
    const std::wstring file = W(*m_step->Get("until-file"));
    const std::string text = ToUtf8(*m_step->Get("until-text"));
    const int count = static_cast<int>(m_step->Number("count").value_or(1));
    std::vector<std::wstring> seen;
    const bool ended = WaitFor(Timeout(), [&] {
      for (HWND window : TopLevelWindows()) {
        if (!::IsWindowVisible(window) || TextOf(window) == L"RaravOvedov") continue;
        if (SameName(ProgramOfWindow(window), program)) seen.push_back(TextOf(window));
      }
      return CountLinesWith(file, text) >= count;
    }, 10);
    for (const std::wstring& caption : seen) {
      Report("seen " + Line() + " of=" + Utf8(program) + " caption=" + Quoted(caption));
    }
    if (!seen.empty()) throw Failure("the program showed a window");
    if (!ended) throw Failure("the other report did not reach \"" + text + "\"");
  }

  void Start() override {
    const std::wstring program = W(*m_step->Get("program"));
    std::wstring command = L"\"" + program + L"\" " + W(m_step->GetOr("args", u""));
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
      throw Failure("the program cannot be started: " + std::to_string(::GetLastError()));
    }
    ::CloseHandle(info.hThread);
    const std::wstring base = program.substr(program.find_last_of(L"\\/") + 1);
    if (HANDLE previous = m_started[Utf8(base)]; previous != nullptr) ::CloseHandle(previous);
    m_started[Utf8(base)] = info.hProcess;
    Report("started " + Line() + " pid=" + std::to_string(info.dwProcessId));
  }

  void Kill() override {
    const std::wstring program = W(*m_step->Get("of"));
    const auto processes = ProcessesNamed(program);
    if (processes.empty()) throw Failure("no program " + Utf8(program) + " runs");
    for (DWORD id : processes) {
      const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
      if (process == nullptr) continue;
      ::TerminateProcess(process, 9);
      ::WaitForSingleObject(process, 10000);
      ::CloseHandle(process);
    }
  }

  // WaitForInputIdle on every process of the program: its user-interface
  // thread is back waiting for input with none pending.
  void Idle() override {
    const std::wstring program = W(*m_step->Get("of"));
    const auto processes = ProcessesNamed(program);
    if (processes.empty()) throw Failure(Utf8(program) + " is not running");
    for (DWORD id : processes) {
      const HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id);
      if (process == nullptr) continue;
      const DWORD waited = ::WaitForInputIdle(process, tools::ScaledMs(Timeout()));
      ::CloseHandle(process);
      if (waited == WAIT_TIMEOUT) throw Failure(Utf8(program) + " stayed busy");
    }
  }

  void WaitExit() override {
    const std::wstring program = W(*m_step->Get("of"));
    if (!WaitFor(Timeout(), [&] { return ProcessesNamed(program).empty(); }, 50)) {
      throw Failure(Utf8(program) + " is still running");
    }
    const auto wanted = m_step->Number("code");
    const auto it = m_started.find(Utf8(program));
    if (it != m_started.end() && it->second != nullptr) {
      ::WaitForSingleObject(it->second, 5000);
      DWORD code = 0;
      ::GetExitCodeProcess(it->second, &code);
      Report("exited " + Line() + " of=" + Utf8(program) + " code=" + std::to_string(code));
      if (wanted && static_cast<std::int64_t>(code) != *wanted) {
        throw Failure("the exit code is " + std::to_string(code));
      }
    } else if (wanted) {
      throw Failure("the exit code of a program this one did not start is unknown");
    }
  }

  void ExpectWindows() override {
    const std::wstring caption = W(*m_step->Get("caption"));
    int count = 0;
    for (HWND w : TopLevelWindows()) {
      if (TextOf(w) == caption) ++count;
    }
    Report("windows " + Line() + " caption=" + Quoted(caption) + " count=" + std::to_string(count));
    if (count != *m_step->Number("count")) throw Failure("another number of windows");
  }

  void ExpectGone() override {
    const std::wstring cls = W(*m_step->Get("class"));
    const auto caption = m_step->Get("caption");
    const std::wstring wanted = caption ? W(*caption) : std::wstring();
    const auto present = [&] {
      const HWND found = ::FindWindowW(cls.c_str(), caption ? wanted.c_str() : nullptr);
      if (found != nullptr) return true;
      // Also inside Wine's stand-alone system tray, where icons are children.
      const HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
      return tray != nullptr && ::FindWindowExW(tray, nullptr, cls.c_str(), nullptr) != nullptr;
    };
    if (!WaitFor(m_step->Number("timeout").value_or(5000), [&] { return !present(); })) {
      throw Failure("a window of class " + Utf8(cls) + " is still there");
    }
  }

  // The robot window that the hook library loaded into the program holds in
  // its shared section (read from the program's memory), or 0.
  static DWORD RegisteredRobot(DWORD process_id) {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process_id);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    BYTE* base = nullptr;
    MODULEENTRY32W entry{sizeof entry};
    for (BOOL more = ::Module32FirstW(snapshot, &entry); more && base == nullptr;
         more = ::Module32NextW(snapshot, &entry)) {
      if (SameName(entry.szModule, L"Sentrel.dll")) base = entry.modBaseAddr;
    }
    ::CloseHandle(snapshot);
    if (base == nullptr) return 0;
    const HANDLE process = ::OpenProcess(PROCESS_VM_READ, FALSE, process_id);
    if (process == nullptr) return 0;
    DWORD robot = 0;
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS nt{};
    if (::ReadProcessMemory(process, base, &dos, sizeof dos, nullptr) &&
        ::ReadProcessMemory(process, base + dos.e_lfanew, &nt, sizeof nt, nullptr)) {
      BYTE* sections = base + dos.e_lfanew + offsetof(IMAGE_NT_HEADERS, OptionalHeader) +
                       nt.FileHeader.SizeOfOptionalHeader;
      for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section{};
        if (!::ReadProcessMemory(process, sections + i * sizeof section, &section, sizeof section,
                                 nullptr)) {
          break;
        }
        if (std::memcmp(section.Name, "Shared\0", 7) == 0) {
          ::ReadProcessMemory(process, base + section.VirtualAddress, &robot, sizeof robot,
                              nullptr);
          break;
        }
      }
    }
    ::CloseHandle(process);
    return robot;
  }

  void Send() override {
    const std::wstring caption = W(*m_step->Get("caption"));
    const HWND window = ::FindWindowW(nullptr, caption.c_str());
    if (window == nullptr) throw Failure("no window " + Quoted(caption));
    const LRESULT result = SendBounded(
        window, static_cast<UINT>(*m_step->Number("message")),
        static_cast<WPARAM>(m_step->Number("wparam").value_or(0)),
        static_cast<LPARAM>(m_step->Number("lparam").value_or(0)));
    Report("sent " + Line() + " result=" + std::to_string(result));
    if (result != *m_step->Number("result")) throw Failure("another result");
  }

  // A polling automator: it sleeps its interval, looks for the window,
  // presses the button when the window is there, and sleeps again.
  void PollAnswer() override {
    WindowQuery query{W(*m_step->Get("caption")), L"", W(m_step->GetOr("of", u""))};
    const std::wstring button_text = W(*m_step->Get("button"));
    const auto interval = static_cast<DWORD>(*m_step->Number("interval"));
    const std::wstring file = W(*m_step->Get("until-file"));
    const std::string text = ToUtf8(*m_step->Get("until-text"));
    const int count = static_cast<int>(m_step->Number("count").value_or(1));
    int pressed = 0;
    HWND last = nullptr;
    const bool ended = WaitFor(Timeout(), [&] {
      if (CountLinesWith(file, text) >= count) return true;
      ::Sleep(interval);
      const HWND window = FindTopLevel(query);
      if (window == nullptr || window == last) return false;
      if (const HWND button = FindButton(window, button_text); button != nullptr) {
        ::PostMessageW(button, BM_CLICK, 0, 0);
        last = window;
        ++pressed;
      }
      return false;
    }, 0);
    Report("polled " + Line() + " pressed=" + std::to_string(pressed));
    if (!ended) throw Failure("the other report did not reach \"" + text + "\"");
  }

  void Pause() override { ::Sleep(static_cast<DWORD>(*m_step->Number("ms"))); }

  void WaitHook() override {
    const std::wstring program = W(*m_step->Get("of"));
    const bool hooked = WaitFor(Timeout(), [&] {
      const HWND frame = ::FindWindowW(nullptr, kRobotFrameCaption);
      if (frame == nullptr) return false;
      const auto wanted = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(frame));
      for (DWORD id : ProcessesNamed(program)) {
        if (RegisteredRobot(id) == wanted) return true;
      }
      return false;
    }, 50);
    if (!hooked) throw Failure("the robot has not hooked " + Utf8(program));
  }

  void ExpectModule() override {
    const std::wstring program = W(*m_step->Get("of"));
    const std::wstring module = W(*m_step->Get("module"));
    const bool wanted = *m_step->Get("loaded") == u"yes";
    const auto loaded = [&] {
      for (DWORD id : ProcessesNamed(program)) {
        const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, id);
        if (snapshot == INVALID_HANDLE_VALUE) continue;
        MODULEENTRY32W entry{sizeof entry};
        bool found = false;
        for (BOOL more = ::Module32FirstW(snapshot, &entry); more && !found;
             more = ::Module32NextW(snapshot, &entry)) {
          found = SameName(entry.szModule, module);
        }
        ::CloseHandle(snapshot);
        if (found) return true;
      }
      return false;
    };
    if (!WaitFor(m_step->Number("timeout").value_or(5000), [&] { return loaded() == wanted; },
                 50)) {
      throw Failure(Utf8(module) + (wanted ? " is not loaded" : " is still loaded"));
    }
  }

  std::wstring m_shots;
  const Step* m_step = nullptr;
  HWND m_current = nullptr;
  std::map<std::string, HWND> m_named;
  std::map<std::string, HANDLE> m_started;
};

std::string StepText(const Step& step) {
  std::string text = "step=" + step.command;
  for (const auto& [key, value] : step.args) text += " " + key + "=" + Quoted(W(value));
  return text;
}

DWORD WINAPI Watchdog(LPVOID seconds) {
  ::Sleep(tools::ScaledMs(std::uint64_t{reinterpret_cast<ULONG_PTR>(seconds)} * 1000));
  Report("gave-up after_s=" + std::to_string(reinterpret_cast<ULONG_PTR>(seconds)));
  ::ExitProcess(3);
}

int Run() {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::wstring script_path, report_path, shots;
  unsigned long max_seconds = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring arg = argv[i];
    if (arg == L"--script") script_path = argv[i + 1];
    else if (arg == L"--report") report_path = argv[i + 1];
    else if (arg == L"--shots") shots = argv[i + 1];
    else if (arg == L"--max-seconds") max_seconds = std::wcstoul(argv[i + 1], nullptr, 10);
  }
  ::LocalFree(argv);
  if (!report_path.empty()) {
    g_reportFile = ::CreateFileW(report_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_reportFile == INVALID_HANDLE_VALUE) {
      // Said on the standard output, the only place left to say it.
      Report("error why=\"the report cannot be created (system error " +
             std::to_string(::GetLastError()) + ")\"");
      return 2;
    }
  }
  std::string bytes;
  if (script_path.empty() || !ReadFileText(script_path, bytes)) {
    Report("error why=\"usage: scripted_user.exe --script FILE [--report FILE] [--shots DIR] "
           "[--max-seconds N]\"");
    return 2;
  }
  std::vector<Step> steps;
  try {
    steps = ParseUserScript(bytes);
  } catch (const StepError& e) {
    Report(std::string("error why=") + QuotedUtf8(e.what()));
    return 2;
  }
  if (max_seconds != 0) {
    const HANDLE thread = ::CreateThread(nullptr, 0, Watchdog,
                                         reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(max_seconds)),
                                         0, nullptr);
    if (thread != nullptr) ::CloseHandle(thread);
  }
  Person person(shots);
  for (const Step& step : steps) {
    try {
      person.Do(step);
      Report("ok line=" + std::to_string(step.line) + " " + StepText(step));
    } catch (const std::exception& e) {
      Report("failed line=" + std::to_string(step.line) + " " + StepText(step) + " why=" +
             QuotedUtf8(e.what()));
      return 1;
    }
  }
  Report("done steps=" + std::to_string(steps.size()));
  return 0;
}

}  // namespace
}  // namespace korvex::scripted_user

int wmain() { return korvex::scripted_user::Run(); }
