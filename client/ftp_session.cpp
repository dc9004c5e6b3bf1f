#include "ftp_session.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

size_t KeepLastReply(char *data, size_t size, size_t count, void *user) {
  FtpSession *s = static_cast<FtpSession *>(user);
  size_t length = size * count;
  size_t keep = length < sizeof s->lastReply - 1 ? length : sizeof s->lastReply - 1;
  std::memcpy(s->lastReply, data, keep);
  while (keep > 0 && (s->lastReply[keep - 1] == '\r' || s->lastReply[keep - 1] == '\n')) {
    --keep;
  }
  s->lastReply[keep] = '\0';
  return length;
}

std::string HostUrl(const FtpSession *s) {
  std::string url = "ftp://";
  if (s->host.find(':') != std::string::npos) {
    url += "[" + s->host + "]";
  } else {
    url += s->host;
  }
  url += ":" + std::to_string(s->port) + "/";
  return url;
}

// URL of an absolute remote path. With the no-CWD file method libcurl sends
// the URL path as it is, so a leading "%2F" makes it absolute on the server.
std::string PathUrl(FtpSession *s, const std::string &path) {
  std::string url = HostUrl(s) + "%2F";
  size_t start = 1;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) {
      end = path.size();
    }
    if (end > start) {
      std::string part = path.substr(start, end - start);
      char *escaped = curl_easy_escape(s->curl, part.c_str(), (int)part.size());
      if (start > 1) {
        url += "/";
      }
      url += escaped;
      curl_free(escaped);
    }
    start = end + 1;
  }
  return url;
}

bool EnsureHandle(FtpSession *s, std::string *reason) {
  if (s->curl == nullptr) {
    s->curl = curl_easy_init();
    if (s->curl == nullptr) {
      *reason = "cannot start libcurl";
      return false;
    }
  }
  return true;
}

// Options every request shares. curl_easy_reset keeps the live connection.
void PrepareRequest(FtpSession *s, const std::string &url) {
  CURL *c = s->curl;
  curl_easy_reset(c);
  s->lastReply[0] = '\0';
  s->curlError[0] = '\0';
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_USERNAME, s->user.c_str());
  curl_easy_setopt(c, CURLOPT_PASSWORD, s->password.c_str());
  curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, (long)CURLFTPMETHOD_NOCWD);
  curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, s->ascii ? 1L : 0L);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, s->curlError);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, KeepLastReply);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, s);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 20L);
  // A server that stops answering must not hold the caller forever.
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, 60L);
}

bool ReplyIsRefusal(const char *reply) {
  return (reply[0] == '4' || reply[0] == '5') && reply[1] >= '0' && reply[1] <= '9';
}

std::string DescribeFailure(const FtpSession *s, CURLcode code) {
  if (ReplyIsRefusal(s->lastReply)) {
    return s->lastReply;
  }
  if (s->curlError[0] != '\0') {
    return s->curlError;
  }
  return curl_easy_strerror(code);
}

// Sends raw commands on the session's connection without a transfer.
bool SendCommands(FtpSession *s, const char *first, const char *second, std::string *reason) {
  curl_slist *commands = curl_slist_append(nullptr, first);
  if (second != nullptr) {
    commands = curl_slist_append(commands, second);
  }
  PrepareRequest(s, HostUrl(s));
  curl_easy_setopt(s->curl, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(s->curl, CURLOPT_QUOTE, commands);
  CURLcode code = curl_easy_perform(s->curl);
  curl_slist_free_all(commands);
  if (code != CURLE_OK) {
    *reason = DescribeFailure(s, code);
    return false;
  }
  return true;
}

bool SendPathCommand(FtpSession *s, const char *verb, const char *path, std::string *reason) {
  std::string command = std::string(verb) + " " + JoinRemotePath(s->remoteDir, path);
  return SendCommands(s, command.c_str(), nullptr, reason);
}

} // namespace

std::string JoinRemotePath(const std::string &dir, const char *path) {
  std::string joined = path[0] == '/' ? std::string(path) : dir + "/" + path;
  std::string result;
  size_t start = 0;
  while (start <= joined.size()) {
    size_t end = joined.find('/', start);
    if (end == std::string::npos) {
      end = joined.size();
    }
    std::string part = joined.substr(start, end - start);
    if (part == "..") {
      size_t cut = result.rfind('/');
      result.erase(cut == std::string::npos ? 0 : cut);
    } else if (!part.empty() && part != ".") {
      result += "/" + part;
    }
    start = end + 1;
  }
  return result.empty() ? "/" : result;
}

bool SessionLogin(FtpSession *s, std::string *reason) {
  if (!EnsureHandle(s, reason)) {
    return false;
  }
  s->loggedIn = false;
  PrepareRequest(s, HostUrl(s));
  curl_easy_setopt(s->curl, CURLOPT_NOBODY, 1L);
  CURLcode code = curl_easy_perform(s->curl);
  if (code == CURLE_LOGIN_DENIED) {
    *reason = "login as " + s->user + " refused: " + DescribeFailure(s, code);
    return false;
  }
  if (code != CURLE_OK) {
    *reason = DescribeFailure(s, code);
    return false;
  }
  char *entry = nullptr;
  curl_easy_getinfo(s->curl, CURLINFO_FTP_ENTRY_PATH, &entry);
  s->remoteDir = JoinRemotePath("/", entry != nullptr && entry[0] == '/' ? entry : "/");
  s->loggedIn = true;
  return true;
}

bool SessionChangeDir(FtpSession *s, const char *dir, std::string *reason) {
  std::string target = JoinRemotePath(s->remoteDir, dir);
  std::string command = "CWD " + target;
  if (!SendCommands(s, command.c_str(), nullptr, reason)) {
    return false;
  }
  s->remoteDir = target;
  return true;
}

bool SessionMakeDir(FtpSession *s, const char *dir, std::string *reason) {
  return SendPathCommand(s, "MKD", dir, reason);
}

bool SessionRemoveDir(FtpSession *s, const char *dir, std::string *reason) {
  return SendPathCommand(s, "RMD", dir, reason);
}

bool SessionDelete(FtpSession *s, const char *name, std::string *reason) {
  return SendPathCommand(s, "DELE", name, reason);
}

bool SessionRename(FtpSession *s, const char *from, const char *to, std::string *reason) {
  std::string first = "RNFR " + JoinRemotePath(s->remoteDir, from);
  std::string second = "RNTO " + JoinRemotePath(s->remoteDir, to);
  return SendCommands(s, first.c_str(), second.c_str(), reason);
}

bool SessionPut(FtpSession *s, const char *local, const char *remote, std::string *reason) {
  std::FILE *file = std::fopen(local, "rb");
  if (file == nullptr) {
    *reason = std::string("cannot open ") + local + ": " + std::strerror(errno);
    return false;
  }
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    std::fclose(file);
    *reason = std::string(local) + " is not a regular file";
    return false;
  }
  PrepareRequest(s, PathUrl(s, JoinRemotePath(s->remoteDir, remote)));
  curl_easy_setopt(s->curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(s->curl, CURLOPT_READDATA, file);
  curl_easy_setopt(s->curl, CURLOPT_INFILESIZE_LARGE, (curl_off_t)info.st_size);
  CURLcode code = curl_easy_perform(s->curl);
  bool readFailed = std::ferror(file) != 0;
  std::fclose(file);
  if (code != CURLE_OK) {
    *reason = DescribeFailure(s, code);
    return false;
  }
  if (readFailed) {
    *reason = std::string("error reading ") + local;
    return false;
  }
  curl_off_t sent = 0;
  curl_easy_getinfo(s->curl, CURLINFO_SIZE_UPLOAD_T, &sent);
  if (sent != (curl_off_t)info.st_size) {
    *reason = "sent " + std::to_string((long long)sent) + " of " +
              std::to_string((long long)info.st_size) + " bytes";
    return false;
  }
  return true;
}

void SessionClose(FtpSession *s) {
  if (s->curl != nullptr) {
    curl_easy_cleanup(s->curl);
    s->curl = nullptr;
  }
  s->loggedIn = false;
}
