// One FTP session over libcurl: a single easy handle whose connection is kept
// alive between commands. Remote paths are tracked here and always sent as
// absolute paths, so no command depends on the server's working directory.
#pragma once

#include <curl/curl.h>
#include <string>

struct FtpSession {
  CURL *curl = nullptr;
  std::string host; // as written in the script
  long port = 21;
  std::string user;
  std::string password;
  bool loggedIn = false;
  bool ascii = true;        // the Windows client starts in ASCII mode
  std::string remoteDir;    // absolute, "/" separated, no trailing slash except "/"
  char lastReply[512] = ""; // last line the server sent
  char curlError[CURL_ERROR_SIZE] = "";
};

// Each operation returns true on success; on failure it writes a short reason
// (never holding the password) into reason.

bool SessionLogin(FtpSession *s, std::string *reason);
bool SessionChangeDir(FtpSession *s, const char *dir, std::string *reason);
bool SessionMakeDir(FtpSession *s, const char *dir, std::string *reason);
bool SessionRemoveDir(FtpSession *s, const char *dir, std::string *reason);
bool SessionDelete(FtpSession *s, const char *name, std::string *reason);
bool SessionRename(FtpSession *s, const char *from, const char *to, std::string *reason);
bool SessionPut(FtpSession *s, const char *local, const char *remote, std::string *reason);
void SessionClose(FtpSession *s);

// Joins a remote path onto an absolute directory, resolving "." and "..".
std::string JoinRemotePath(const std::string &dir, const char *path);
