// Stand-in for the Windows ftp client, for the upload tests: carries out a
// script given as -s:FILE the way Windows ftp reads one, through WinINet.
// Understood lines: open HOST [PORT], then the user name and the password
// lines, binary, put LOCAL [REMOTE], rename FROM TO, bye or quit. Exit 0 only when every
// step worked.
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void TrimLineEnd(char *line) {
  std::size_t n = std::strlen(line);
  while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r' || line[n - 1] == ' '))
    line[--n] = '\0';
}

bool ReadLine(FILE *script, char *line, int size) {
  if (std::fgets(line, size, script) == nullptr)
    return false;
  TrimLineEnd(line);
  return true;
}

const char *BaseName(const char *path) {
  const char *base = path;
  for (const char *p = path; *p != '\0'; ++p)
    if (*p == '\\' || *p == '/' || *p == ':')
      base = p + 1;
  return base;
}

int RunScript(FILE *script) {
  HINTERNET internet =
      InternetOpenA("zwstats-test-ftp", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (internet == nullptr)
    return 3;
  HINTERNET session = nullptr;
  int status = 0;
  char line[1024];
  while (status == 0 && ReadLine(script, line, sizeof line)) {
    char word[32] = "";
    char first[512] = "";
    char second[512] = "";
    int parts = std::sscanf(line, "%31s %511s %511s", word, first, second);
    if (parts < 1)
      continue;
    if (std::strcmp(word, "open") == 0 && parts >= 2) {
      INTERNET_PORT port =
          parts == 3 ? static_cast<INTERNET_PORT>(std::atoi(second)) : INTERNET_DEFAULT_FTP_PORT;
      char user[256] = "";
      char password[256] = "";
      if (!ReadLine(script, user, sizeof user) || !ReadLine(script, password, sizeof password)) {
        status = 4;
        break;
      }
      session = InternetConnectA(internet, first, port, user, password, INTERNET_SERVICE_FTP,
                                 INTERNET_FLAG_PASSIVE, 0);
      if (session == nullptr)
        status = 5;
    } else if (std::strcmp(word, "binary") == 0) {
      // Every transfer below is binary already.
    } else if (std::strcmp(word, "put") == 0 && parts >= 2) {
      const char *remote = parts == 3 ? second : BaseName(first);
      if (session == nullptr || !FtpPutFileA(session, first, remote, FTP_TRANSFER_TYPE_BINARY, 0))
        status = 6;
    } else if (std::strcmp(word, "rename") == 0 && parts == 3) {
      if (session == nullptr || !FtpRenameFileA(session, first, second))
        status = 8;
    } else if (std::strcmp(word, "bye") == 0 || std::strcmp(word, "quit") == 0) {
      break;
    } else {
      status = 7;
    }
  }
  if (session != nullptr)
    InternetCloseHandle(session);
  InternetCloseHandle(internet);
  return status;
}

// Tests hold the client open until they remove the file named by
// ZWSTATS_FTP_GATE, so they can act while the upload is still running.
void WaitForGate() {
  const char *gate = std::getenv("ZWSTATS_FTP_GATE");
  if (gate == nullptr)
    return;
  for (int i = 0; i < 600 && GetFileAttributesA(gate) != INVALID_FILE_ATTRIBUTES; ++i)
    Sleep(100);
}

} // namespace

int main(int argc, char **argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "-s:", 3) == 0) {
      FILE *script = std::fopen(argv[i] + 3, "r");
      if (script == nullptr)
        return 2;
      int status = RunScript(script);
      std::fclose(script);
      std::printf("ftp stand-in: status %d\n", status);
      WaitForGate();
      return status;
    }
  }
  return 2;
}
