// hidapi turns the UTF-8 strings of sysfs into wide strings with mbstowcs,
// that is in the locale of the calling thread. A program that never calls
// setlocale (or runs with LC_ALL=C) is in the "C" locale, where any
// non-ASCII character makes the whole string empty. This guard puts the
// calling thread, and only it, into a UTF-8 character locale for its scope.
#pragma once

#include <locale.h>

namespace zentrel {

class Utf8ThreadLocale {
 public:
  Utf8ThreadLocale();
  ~Utf8ThreadLocale();
  Utf8ThreadLocale(const Utf8ThreadLocale&) = delete;
  Utf8ThreadLocale& operator=(const Utf8ThreadLocale&) = delete;

 private:
  locale_t previous_ = nullptr;  // nullptr: nothing was changed
};

}  // namespace zentrel
