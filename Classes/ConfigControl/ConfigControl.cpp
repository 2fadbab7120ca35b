#include "ConfigControl.h"

#include <cstring>

#include "TextFunctions.h"

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

}  // namespace

void ConfigControl::RegisterRevision(const char* revision) {
  if (revision == nullptr) return;
  char working[kMaxRevisionLength + 1];
  SafeCopy(working, revision, sizeof working);
  // A revision string has at most 7 tokens; room for more keeps a longer line safe.
  char* tokens[kMaxRevisionLength + 2];
  int count = Tokenise(working, " ", tokens);
  if (count <= 1) return;

  RegistryFields& fields = Registry();
  if (count > 1) SafeCopy(fields.component, tokens[1], kComponentSize);
  if (count > 2) SafeCopy(fields.partNumber, tokens[2], kPartNumberSize);
  if (count > 3) SafeCopy(fields.fileName, tokens[3], kFileNameSize);
  int revisionToken = std::strstr(revision, "$Revision") != nullptr ? 5 : 4;
  if (count > revisionToken) SafeCopy(fields.revision, tokens[revisionToken], kRevisionSize);
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
