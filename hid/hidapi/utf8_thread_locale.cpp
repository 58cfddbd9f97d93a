#include "hid/hidapi/utf8_thread_locale.h"

namespace zentrel {
namespace {

// Made once and kept for the process: uselocale needs it alive while in use.
locale_t Utf8Locale() {
  static const locale_t utf8 = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (l == static_cast<locale_t>(0)) {
      l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(0));
    }
    return l;
  }();
  return utf8;
}

}  // namespace

Utf8ThreadLocale::Utf8ThreadLocale() {
  const locale_t utf8 = Utf8Locale();
  if (utf8 != static_cast<locale_t>(0)) previous_ = uselocale(utf8);
}

Utf8ThreadLocale::~Utf8ThreadLocale() {
  if (previous_ != nullptr) uselocale(previous_);
}

}  // namespace zentrel
