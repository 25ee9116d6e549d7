#include "app/module_paths.h"

namespace hitched {

std::u16string DirectoryWithBackslash(std::u16string_view modulePath) {
    const std::size_t last = modulePath.rfind(u'\\');
    if (last == std::u16string_view::npos) {
        return {};
    }
    return std::u16string(modulePath.substr(0, last + 1));
}

std::u16string DirectoryWithoutBackslash(std::u16string_view modulePath) {
    const std::size_t last = modulePath.rfind(u'\\');
    if (last == std::u16string_view::npos) {
        return {};
    }
    return std::u16string(modulePath.substr(0, last));
}

std::u16string LanguageFilePath(std::u16string_view moduleDirWithBackslash) {
    return std::u16string(moduleDirWithBackslash) + u"\\languages\\language.lgg";
}

} // namespace hitched
