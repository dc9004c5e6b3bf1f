// What the monitor needs from a front end. Each front end in display/
// implements these six operations.
#pragma once

#include <cstddef>

// Once per process, before the first round.
void SetUpDisplay(void *instance);

// At the start of every round; the window is on screen when it returns.
void CreateStatusWindow();

// Once per round after the arguments are accepted: normal state, repainted.
void RestoreStatusWindow();

// Copies word into StatusText and repaints before returning; restore also
// brings the window back to its normal state.
void ShowStatus(const char *word, bool restore);

// A modal message under the caption "ver 1.00 by Dorvenal"; returns once the
// user has dismissed it.
void ShowMessage(const char *text);

// At the end of every round; QuitFlag is raised when it returns.
void DestroyStatusWindow();

// Provided by the core for every front end: the caption of the messages, and
// the four status lines formatted into text (size bytes), cut to fit when the
// fields hold more than it can take.
extern const char MessageCaption[];
void FormatStatusLines(char *text, std::size_t size);
