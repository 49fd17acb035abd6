// Choice prompts: every question the installer asks. A prompt writes a bracketed menu on standard error and
// turns the first menu letter on the user's line into a result code (an arrow or function key's escape
// sequence holds none); the rest of that line is swallowed so that it cannot answer the next prompt. End
// of input is a cancel: the installer never waits for ever.
#pragma once

namespace process {

// `keys` (lower-case letters) and `results` are parallel arrays of `count` entries. With `autonext` on and
// `auto_result` not 0, returns `auto_result` without writing or reading anything.
int choice_prompt(const char* title, const char* menu, const int* keys, const int* results, int count,
                  int auto_result);

int ask_no_yes_cancel(const char* title, int auto_result);  // "No? Yes? Cancel?"
int ask_back_next_cancel();                                 // "Back? Next? Cancel?", auto Next
int ask_ok_cancel(const char* title);                       // "Ok? Cancel?", no auto result

// Drops what was typed on the terminal of standard input and not read yet, and what stdio holds of it:
// keys pressed while the installer was busy must not answer the question that follows. Does nothing when
// standard input is no terminal (answers given in advance are never dropped) or the installer is a job in
// the background of it.
void discard_typed_ahead();

// Reads and drops characters up to and including a line feed or a NUL. Returns false when input ended
// first.
bool skip_rest_of_line();

}  // namespace process
