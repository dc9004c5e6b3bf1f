// Reading a Windows-style ftp script: one command per line, words split at
// blanks, a double-quoted word may hold blanks.
#pragma once

#include <cstdio>

enum { ScriptLineMax = 1024, ScriptWordsMax = 8 };

struct ScriptLine {
  int number;               // 1-based line number in the script
  char text[ScriptLineMax]; // the line without its line ending
  int wordCount;
  char words[ScriptWordsMax][ScriptLineMax];
};

// Reads the next line of the script into line. Returns 1 when a line was read,
// 0 at the end of the file, -1 when the line is too long to hold.
int ReadScriptLine(std::FILE *script, ScriptLine *line);

// Splits line->text into line->words. Returns 0 when the line has more words
// than ScriptWordsMax or an unterminated quote, else 1.
int SplitScriptWords(ScriptLine *line);

// Compares a command word without regard to letter case.
bool CommandIs(const char *word, const char *name);
