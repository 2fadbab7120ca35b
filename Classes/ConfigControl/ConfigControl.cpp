#include "ConfigControl.h"

#include <cstring>

// The registry uses nothing but the standard library: every other library of
// the station registers with it, the support library's settings file too, so
// it stands below them all.

namespace {

struct RegistryFields {
  char component[ConfigControl::kComponentSize];
  char partNumber[ConfigControl::kPartNumberSize];
  char fileName[ConfigControl::kFileNameSize];
  char revision[ConfigControl::kRevisionSize];
};

RegistryFields& Registry() {
  static RegistryFields fields{};
  return fields;
}

const char kConfigControlRevision[] = "%Z% ConfigControl QM3103:02 ConfigFile $Revision: 1.3 $";

// Copies at most size - 1 characters and terminates; the rest of the field
// is zero-filled.
void CopyField(char* field, const char* text, int size) {
  std::strncpy(field, text, static_cast<std::size_t>(size - 1));
  field[size - 1] = '\0';
}

// Splits the text in place at runs of spaces (tabs are not separators);
// tokens[0..n-1] receive the tokens. Returns n.
int SplitAtSpaces(char* text, char** tokens, int maximum) {
  int count = 0;
  char* at = text;
  while (count < maximum) {
    while (*at == ' ') ++at;
    if (*at == '\0') break;
    tokens[count++] = at;
    while (*at != '\0' && *at != ' ') ++at;
    if (*at == '\0') break;
    *at++ = '\0';
  }
  return count;
}

}  // namespace

void ConfigControl::RegisterRevision(const char* revision) {
  if (revision == nullptr) return;
  char working[kMaxRevisionLength + 1];
  CopyField(working, revision, sizeof working);
  // A revision string has at most 7 tokens; room for more keeps a longer line safe.
  char* tokens[kMaxRevisionLength + 1];
  int count = SplitAtSpaces(working, tokens, kMaxRevisionLength + 1);
  if (count <= 1) return;

  RegistryFields& fields = Registry();
  CopyField(fields.component, tokens[1], kComponentSize);
  if (count > 2) CopyField(fields.partNumber, tokens[2], kPartNumberSize);
  if (count > 3) CopyField(fields.fileName, tokens[3], kFileNameSize);
  int revisionToken = std::strstr(revision, "$Revision") != nullptr ? 5 : 4;
  if (count > revisionToken) CopyField(fields.revision, tokens[revisionToken], kRevisionSize);
}

int ConfigControl::RegisterClassName(const char* /*displayName*/) {
  return 0;
}

void ConfigControl::EndClassRegistration() {}

const char* ConfigControl::GetComponent() {
  return Registry().component;
}
const char* ConfigControl::GetPartNumber() {
  return Registry().partNumber;
}
const char* ConfigControl::GetFileName() {
  return Registry().fileName;
}
const char* ConfigControl::GetRevision() {
  return Registry().revision;
}

void ConfigControl::Clear() {
  Registry() = RegistryFields{};
}

void RegisterClassOnce(bool& registered, const char* displayName,
                       std::initializer_list<const char*> revisions) {
  if (registered) return;
  ConfigControl::RegisterClassName(displayName);
  for (const char* revision : revisions) ConfigControl::RegisterRevision(revision);
  ConfigControl::EndClassRegistration();
  registered = true;
}

// The registry's own revision, kept with the unit as every unit keeps one.
const char* ConfigControlRevision() {
  return kConfigControlRevision;
}
