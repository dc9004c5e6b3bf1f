#include "ftp_script.h"

#include <cctype>
#include <cstring>

int ReadScriptLine(std::FILE *script, ScriptLine *line) {
  int length = 0;
  int c = std::fgetc(script);
  if (c == EOF) {
    return 0;
  }
  bool tooLong = false;
  while (c != EOF && c != '\n') {
    if (length < ScriptLineMax - 1) {
      line->text[length++] = (char)c;
    } else {
      tooLong = true;
    }
    c = std::fgetc(script);
  }
  // Scripts written on Windows end their lines with CR LF.
  if (length > 0 && line->text[length - 1] == '\r') {
    --length;
  }
  line->text[length] = '\0';
  line->number += 1;
  line->wordCount = 0;
  return tooLong ? -1 : 1;
}

int SplitScriptWords(ScriptLine *line) {
  const char *p = line->text;
  line->wordCount = 0;
  for (;;) {
    while (*p == ' ' || *p == '\t') {
      ++p;
    }
    if (*p == '\0') {
      return 1;
    }
    if (line->wordCount == ScriptWordsMax) {
      return 0;
    }
    char *out = line->words[line->wordCount++];
    if (*p == '"') {
      ++p;
      while (*p != '\0' && *p != '"') {
        *out++ = *p++;
      }
      if (*p != '"') {
        return 0;
      }
      ++p;
    } else {
      while (*p != '\0' && *p != ' ' && *p != '\t') {
        *out++ = *p++;
      }
    }
    *out = '\0';
  }
}

bool CommandIs(const char *word, const char *name) {
  while (*word != '\0' && *name != '\0') {
    if (std::tolower((unsigned char)*word) != *name) {
      return false;
    }
    ++word;
    ++name;
  }
  return *word == '\0' && *name == '\0';
}
