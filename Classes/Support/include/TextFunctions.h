#pragma once
// Text functions on plain terminated 8-bit strings. Fixed-size buffers of the
// station are filled only through SafeCopy and SafeFormat, which never write
// past the size given and always terminate.

#if defined(__GNUC__)
#define TAVRION_PRINTF_LIKE(fmt, first) __attribute__((format(printf, fmt, first)))
#else
#define TAVRION_PRINTF_LIKE(fmt, first)
#endif

// Copies at most size - 1 characters and terminates; the rest of the
// destination up to size is zero-filled. Null pointer or negative size:
// nothing, returns null. Size 0 copies nothing.
char* SafeCopy(char* destination, const char* source, int size);

// Zero-fills size bytes, formats at most size - 1 characters (numbers always
// with "." as decimal separator) and terminates. Returns the length of the
// whole text when it fits in size characters, otherwise -1. Null buffer: 0.
int SafeFormat(char* buffer, int size, const char* format, ...) TAVRION_PRINTF_LIKE(3, 4);

// In place: the first newline becomes the terminator.
char* CutAtNewline(char* text);
// In place: the first occurrence of the character becomes the terminator.
char* CutAtChar(char* text, char character);
// The first character that is not a space (tabs are not skipped).
char* SkipLeadingSpaces(char* text);
// In place: removes every space (tabs stay). Looks at the first 1023 characters.
char* RemoveSpaces(char* text);
// In place: every tab becomes one space.
char* TabsToSpaces(char* text);
// Equal after both are cut to 999 characters and have every space removed;
// letter case counts.
bool SameIgnoringSpaces(const char* text, const char* name);

// Splits text in place at runs of the delimiters. tokens[0..n-1] receive the
// tokens and tokens[n] a null; returns n, but at least 1 (a text without any
// token gives 1 with tokens[0] null). Null text: 0.
int Tokenise(char* text, const char* delimiters, char** tokens);
// As Tokenise, stopping once maximum tokens are stored; tokens must hold
// maximum + 1 pointers (the slot at index maximum may be written).
int TokeniseMax(char* text, const char* delimiters, char** tokens, int maximum);

// In place: a line ending in CR-LF ends in LF alone, as a text-mode read of a
// file written on Windows gives it.
char* TextModeLineEnd(char* line);

// atof that always reads "." as the decimal separator.
double TextToDouble(const char* text);
