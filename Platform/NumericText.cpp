#include "NumericText.h"

#include <locale.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace Platform {
namespace {

locale_t CLocale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

// Switches the calling thread to the "C" locale for the lifetime of the object.
class CLocaleScope {
 public:
  CLocaleScope() : m_previous(uselocale(CLocale())) {}
  ~CLocaleScope() { uselocale(m_previous); }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t m_previous;
};

}  // namespace

int FormatC(char* buffer, std::size_t size, const char* format, std::va_list args) {
  CLocaleScope scope;
  return std::vsnprintf(buffer, size, format, args);
}

double AtofC(const char* text) {
  if (text == nullptr) return 0.0;
  return strtod_l(text, nullptr, CLocale());
}

}  // namespace Platform
