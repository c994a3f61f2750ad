// Test support, Windows: CreateProcessW with redirected output, ended when over its time limit.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "support/run_program.h"
#include "support/temp_tree.h"

namespace {

constexpr DWORD kMillisecondsPerSecond = 1000;
constexpr UINT kTimedOutExitCode = 124;
constexpr DWORD kInterruptPollMilliseconds = 2;

std::wstring Wide(const std::string& text) {
  if (text.empty()) {
    return std::wstring();
  }
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], length);
  return wide;
}

// One argument as the runtime's command-line parser reads it back: quoted only when it holds a
// blank or a quote (an unquoted pattern is what a user types, and the runtime expands it),
// backslashes doubled only where a quote follows them.
std::wstring QuotedArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t character : argument) {
    if (character == L'\\') {
      ++backslashes;
      continue;
    }
    if (character == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    backslashes = 0;
    quoted.push_back(character);
  }
  quoted.append(backslashes * 2, L'\\');
  quoted.push_back(L'"');
  return quoted;
}

bool SameName(const std::wstring& entry, const std::wstring& name) {
  // Variable names are case-insensitive; "=C:=C:\..." entries hide their '=' in the first place.
  const std::size_t equals = entry.find(L'=', 1);
  return equals == name.size() && _wcsnicmp(entry.c_str(), name.c_str(), name.size()) == 0;
}

// This process's environment with the options' changes, as CreateProcessW takes it: entries
// one after the other, each ended by a zero, the whole ended by another.
std::vector<wchar_t> EnvironmentBlock(const ProgramOptions& options) {
  std::vector<std::wstring> entries;
  wchar_t* current = GetEnvironmentStringsW();
  for (const wchar_t* entry = current; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    entries.emplace_back(entry);
  }
  FreeEnvironmentStringsW(current);
  auto remove = [&entries](const std::wstring& name) {
    entries.erase(
        std::remove_if(entries.begin(), entries.end(),
                       [&name](const std::wstring& entry) { return SameName(entry, name); }),
        entries.end());
  };
  for (const std::string& name : options.unsetEnvironment) {
    remove(Wide(name));
  }
  for (const auto& [name, value] : options.environment) {
    remove(Wide(name));
    entries.push_back(Wide(name) + L"=" + Wide(value));
  }
  std::sort(entries.begin(), entries.end(),
            [](const std::wstring& left, const std::wstring& right) {
              return _wcsicmp(left.c_str(), right.c_str()) < 0;
            });
  std::vector<wchar_t> block;
  for (const std::wstring& entry : entries) {
    block.insert(block.end(), entry.begin(), entry.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

HANDLE InheritableFile(const std::filesystem::path& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{};
  inherit.nLength = sizeof inherit;
  inherit.bInheritHandle = TRUE;
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Ctrl-C on the console of the process `id` alone: this process gives up its own console, if it
// has one (under CTest its output goes to pipes), attaches to that one, and ignores the event.
void SendCtrlC(DWORD id) {
  FreeConsole();
  if (AttachConsole(id)) {
    SetConsoleCtrlHandler(nullptr, TRUE);
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    FreeConsole();
  }
}

std::string WithoutCarriageReturns(const std::string& bytes) {
  std::string text;
  for (std::size_t index = 0; index < bytes.size(); ++index) {
    if (!(bytes[index] == '\r' && index + 1 < bytes.size() && bytes[index + 1] == '\n')) {
      text.push_back(bytes[index]);
    }
  }
  return text;
}

}  // namespace

std::filesystem::path ProgramPath() {
  std::vector<wchar_t> buffer(kPathCapacity);
  const DWORD length =
      GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path() /
         DUPSCAN_PROGRAM_NAME;
}

bool RunningUnderEmulator() { return false; }

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void SetTestEnvironment(const std::string& name, const std::string& value) {
  SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str());
}

std::string ProfileVariable() { return "USERPROFILE"; }

// FindFirstFileW's answer for "missing\*": the path's folder is what is missing.
int MissingDirectoryCode() { return ERROR_PATH_NOT_FOUND; }

std::string WorkingFolderAsShown(const std::filesystem::path& folder) {
  return PrintedText(folder);
}

std::string ReportBytes(const std::string& text) {
  std::string bytes;
  for (const char character : text) {
    if (character == '\n') {
      bytes.push_back('\r');
    }
    bytes.push_back(character);
  }
  return bytes;
}

bool CanRunUnprivileged() { return false; }

ProgramResult RunProgram(const std::vector<PathString>& arguments, const ProgramOptions& options) {
  TempTree capture;
  const std::filesystem::path outputPath = capture / "stdout";
  const std::filesystem::path errorPath = capture / "stderr";
  const std::wstring program = options.program.empty()
                                   ? ProgramPath().native()
                                   : (ProgramPath().parent_path() / Wide(options.program)).native();

  std::wstring commandLine = QuotedArgument(program);
  for (const PathString& argument : arguments) {
    commandLine += L" " + QuotedArgument(argument);
  }
  std::vector<wchar_t> environment = EnvironmentBlock(options);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = InheritableFile(outputPath, GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = InheritableFile(errorPath, GENERIC_WRITE, CREATE_ALWAYS);
  const std::wstring workingDirectory = options.workingDirectory.native();

  ProgramResult result;
  PROCESS_INFORMATION process{};
  // A console of its own, which this process can attach to and send Ctrl-C on alone.
  const DWORD consoleFlag = options.interruptWhileTheReportIsWritten ? CREATE_NEW_CONSOLE : 0;
  const ULONGLONG startTicks = GetTickCount64();
  const BOOL started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                                      CREATE_UNICODE_ENVIRONMENT | consoleFlag, environment.data(),
                                      workingDirectory.empty() ? nullptr : workingDirectory.c_str(),
                                      &startup, &process);
  CloseHandle(startup.hStdInput);
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  if (!started) {
    result.errors = "CreateProcessW failed with " + std::to_string(GetLastError());
    return result;
  }
  CloseHandle(process.hThread);
  const ULONGLONG deadline =
      startTicks + static_cast<ULONGLONG>(options.timeoutSeconds) * kMillisecondsPerSecond;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD wait = options.interruptWhileTheReportIsWritten
                           ? kInterruptPollMilliseconds
                           : static_cast<DWORD>(deadline > now ? deadline - now : 0);
    if (WaitForSingleObject(process.hProcess, wait) != WAIT_TIMEOUT) {
      break;
    }
    if (GetTickCount64() >= deadline) {
      TerminateProcess(process.hProcess, kTimedOutExitCode);
      WaitForSingleObject(process.hProcess, INFINITE);
      result.timedOut = true;
      break;
    }
    if (options.interruptWhileTheReportIsWritten && !result.interrupted &&
        NameAppears(options.workingDirectory, L"duplicates.txt.")) {
      SendCtrlC(process.dwProcessId);
      result.interrupted = true;
    }
  }
  result.seconds = static_cast<double>(GetTickCount64() - startTicks) / kMillisecondsPerSecond;
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  result.exitCode = static_cast<int>(exitCode);
  result.outputBytes = ReadWholeFile(outputPath);
  result.output = WithoutCarriageReturns(result.outputBytes);
  result.errors = WithoutCarriageReturns(ReadWholeFile(errorPath));
  return result;
}
