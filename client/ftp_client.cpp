// ftp: carries out a Windows-style ftp script ("ftp -s:FILE") on a POSIX host.
// The whole script runs in one session; the first command that fails ends the
// program with status 1 and one line on stderr naming the script line.

#include "ftp_script.h"
#include "ftp_session.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

struct ClientState {
  const char *scriptName = nullptr;
  std::FILE *script = nullptr;
  bool autoLogin = true;  // -n turns off the user/password lines after open
  bool hostGiven = false; // "open" done (or host named on the command line)
  FtpSession session;
};

void ReportLine(const ClientState *c, int number, const std::string &what,
                const std::string &reason) {
  std::fprintf(stderr, "ftp: %s:%d: %s: %s\n", c->scriptName, number, what.c_str(), reason.c_str());
}

// The text of a command as it may be shown: a password given to "user" is left out.
std::string ShownCommand(const ScriptLine *line) {
  std::string shown;
  int shownWords = line->wordCount;
  if (CommandIs(line->words[0], "user") && shownWords > 2) {
    shownWords = 2;
  }
  for (int i = 0; i < shownWords; ++i) {
    if (i > 0) {
      shown += " ";
    }
    shown += line->words[i];
  }
  return shown;
}

std::string TrimmedText(const char *text) {
  std::string s = text;
  size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) {
    return "";
  }
  size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

bool ParsePort(const char *text, long *port) {
  char *end = nullptr;
  errno = 0;
  long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < 1 || value > 65535) {
    return false;
  }
  *port = value;
  return true;
}

// After "open" the Windows client asks for the user name and the password,
// and a script answers with its next two lines.
bool ReadLoginLines(ClientState *c, ScriptLine *line, int openLine, const std::string &shown) {
  ScriptLine answer;
  answer.number = line->number;
  int got = ReadScriptLine(c->script, &answer);
  if (got != 1 || TrimmedText(answer.text).empty()) {
    ReportLine(c, openLine, shown,
               got == -1 ? "user name line too long" : "no user name line follows");
    return false;
  }
  c->session.user = TrimmedText(answer.text);
  got = ReadScriptLine(c->script, &answer);
  if (got != 1) {
    ReportLine(c, openLine, shown,
               got == -1 ? "password line too long" : "no password line follows");
    return false;
  }
  c->session.password = answer.text;
  line->number = answer.number;
  std::string reason;
  if (!SessionLogin(&c->session, &reason)) {
    ReportLine(c, openLine, shown, reason);
    return false;
  }
  return true;
}

bool OpenHost(ClientState *c, ScriptLine *line, const char *host, const char *portText,
              const std::string &shown) {
  int openLine = line->number;
  if (c->hostGiven) {
    ReportLine(c, openLine, shown, "already connected to " + c->session.host + ", close first");
    return false;
  }
  long port = 21;
  if (portText != nullptr && !ParsePort(portText, &port)) {
    ReportLine(c, openLine, shown, std::string("bad port ") + portText);
    return false;
  }
  c->session.host = host;
  c->session.port = port;
  c->hostGiven = true;
  if (c->autoLogin) {
    return ReadLoginLines(c, line, openLine, shown);
  }
  return true;
}

bool NeedWords(const ClientState *c, const ScriptLine *line, int least, int most,
               const char *usage) {
  int args = line->wordCount - 1;
  if (args < least || args > most) {
    ReportLine(c, line->number, ShownCommand(line), std::string("usage: ") + usage);
    return false;
  }
  return true;
}

bool NeedLogin(const ClientState *c, const ScriptLine *line) {
  if (!c->session.loggedIn) {
    ReportLine(c, line->number, ShownCommand(line),
               c->hostGiven ? "not logged in" : "not connected");
    return false;
  }
  return true;
}

const char *BaseName(const char *path) {
  const char *slash = std::strrchr(path, '/');
  return slash != nullptr ? slash + 1 : path;
}

// The commands that take one remote name and need a session.
struct RemoteCommand {
  const char *name;
  const char *usage;
  bool (*run)(FtpSession *s, const char *name, std::string *reason);
};
const RemoteCommand RemoteCommands[] = {
    {"cd", "cd DIRECTORY", SessionChangeDir},
    {"mkdir", "mkdir DIRECTORY", SessionMakeDir},
    {"rmdir", "rmdir DIRECTORY", SessionRemoveDir},
    {"delete", "delete REMOTE", SessionDelete},
};

const RemoteCommand *FindRemoteCommand(const char *cmd) {
  for (const RemoteCommand &remote : RemoteCommands) {
    if (CommandIs(cmd, remote.name)) {
      return &remote;
    }
  }
  return nullptr;
}

// Carries out one command line. Sets *finished on bye/quit.
bool RunCommand(ClientState *c, ScriptLine *line, bool *finished) {
  const char *cmd = line->words[0];
  const char *a1 = line->wordCount > 1 ? line->words[1] : nullptr;
  const char *a2 = line->wordCount > 2 ? line->words[2] : nullptr;
  std::string shown = ShownCommand(line);
  std::string reason;
  bool ok = true;

  if (CommandIs(cmd, "open")) {
    if (!NeedWords(c, line, 1, 2, "open HOST [PORT]")) {
      return false;
    }
    return OpenHost(c, line, a1, a2, shown);
  }
  if (CommandIs(cmd, "user")) {
    if (!NeedWords(c, line, 1, 2, "user NAME [PASSWORD]")) {
      return false;
    }
    if (!c->hostGiven) {
      ReportLine(c, line->number, shown, "not connected");
      return false;
    }
    c->session.user = a1;
    c->session.password = a2 != nullptr ? a2 : "";
    ok = SessionLogin(&c->session, &reason);
  } else if (CommandIs(cmd, "binary")) {
    c->session.ascii = false;
  } else if (CommandIs(cmd, "ascii")) {
    c->session.ascii = true;
  } else if (CommandIs(cmd, "prompt") || CommandIs(cmd, "hash") || CommandIs(cmd, "verbose")) {
    // Interactive niceties of the Windows client; nothing to do in a script.
  } else if (CommandIs(cmd, "lcd")) {
    if (!NeedWords(c, line, 1, 1, "lcd DIRECTORY")) {
      return false;
    }
    if (chdir(a1) != 0) {
      reason = std::strerror(errno);
      ok = false;
    }
  } else if (const RemoteCommand *remote = FindRemoteCommand(cmd)) {
    if (!NeedWords(c, line, 1, 1, remote->usage) || !NeedLogin(c, line)) {
      return false;
    }
    ok = remote->run(&c->session, a1, &reason);
  } else if (CommandIs(cmd, "rename")) {
    if (!NeedWords(c, line, 2, 2, "rename FROM TO") || !NeedLogin(c, line)) {
      return false;
    }
    ok = SessionRename(&c->session, a1, a2, &reason);
  } else if (CommandIs(cmd, "put") || CommandIs(cmd, "send")) {
    if (!NeedWords(c, line, 1, 2, "put LOCAL [REMOTE]") || !NeedLogin(c, line)) {
      return false;
    }
    ok = SessionPut(&c->session, a1, a2 != nullptr ? a2 : BaseName(a1), &reason);
  } else if (CommandIs(cmd, "close") || CommandIs(cmd, "disconnect")) {
    SessionClose(&c->session);
    c->hostGiven = false;
  } else if (CommandIs(cmd, "bye") || CommandIs(cmd, "quit")) {
    *finished = true;
  } else {
    reason = "unknown command";
    ok = false;
  }
  if (!ok) {
    ReportLine(c, line->number, shown, reason);
  }
  return ok;
}

bool RunScript(ClientState *c, const char *commandLineHost) {
  ScriptLine line;
  line.number = 0;
  if (commandLineHost != nullptr) {
    std::string shown = std::string("open ") + commandLineHost;
    if (!OpenHost(c, &line, commandLineHost, nullptr, shown)) {
      return false;
    }
  }
  bool finished = false;
  while (!finished) {
    int got = ReadScriptLine(c->script, &line);
    if (got == 0) {
      break;
    }
    if (got < 0) {
      ReportLine(c, line.number, "line", "too long");
      return false;
    }
    if (!SplitScriptWords(&line)) {
      ReportLine(c, line.number, TrimmedText(line.text), "unbalanced quote or too many words");
      return false;
    }
    if (line.wordCount == 0) {
      continue;
    }
    if (!RunCommand(c, &line, &finished)) {
      return false;
    }
  }
  if (std::ferror(c->script)) {
    std::fprintf(stderr, "ftp: %s: error reading script\n", c->scriptName);
    return false;
  }
  return true;
}

void PrintUsage() {
  std::fprintf(stderr, "usage: ftp [-n] [-v] [-i] [-d] [-g] -s:SCRIPT [HOST]\n");
}

} // namespace

int main(int argc, char **argv) {
  ClientState client;
  const char *host = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    if (std::strncmp(arg, "-s:", 3) == 0 && arg[3] != '\0') {
      client.scriptName = arg + 3;
    } else if (std::strcmp(arg, "-n") == 0) {
      client.autoLogin = false;
    } else if (std::strcmp(arg, "-v") == 0 || std::strcmp(arg, "-i") == 0 ||
               std::strcmp(arg, "-d") == 0 || std::strcmp(arg, "-g") == 0) {
      // Output and prompting switches of the Windows client: this one is quiet anyway.
    } else if (arg[0] != '-' && host == nullptr) {
      host = arg;
    } else {
      PrintUsage();
      return 2;
    }
  }
  if (client.scriptName == nullptr) {
    // Only scripted use is supported: there is no interactive prompt.
    PrintUsage();
    return 2;
  }
  client.script = std::fopen(client.scriptName, "r");
  if (client.script == nullptr) {
    std::fprintf(stderr, "ftp: %s: cannot read script: %s\n", client.scriptName,
                 std::strerror(errno));
    return 1;
  }
  if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    std::fprintf(stderr, "ftp: cannot start libcurl\n");
    std::fclose(client.script);
    return 1;
  }
  bool ok = RunScript(&client, host);
  SessionClose(&client.session);
  curl_global_cleanup();
  std::fclose(client.script);
  return ok ? 0 : 1;
}
