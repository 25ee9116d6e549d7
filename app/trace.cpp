#include "app/trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace hitched {
namespace {

void WriteToStderr(const std::u16string& line) {
    // UTF-8 so that a person reading the terminal sees the text; one fputs keeps lines whole.
    std::string out;
    for (char16_t c : line) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            // Surrogates are written one by one; good enough for a trace.
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out += '\n';
    std::fputs(out.c_str(), stderr);
}

std::atomic<TraceSink> g_sink{nullptr};

void AppendNumber(std::u16string& out, unsigned long long value, bool negative) {
    char16_t digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (negative)
        out += u'-';
    while (n > 0)
        out += digits[--n];
}

std::u16string FormatArgs(const char16_t* format, va_list args) {
    std::u16string out;
    for (const char16_t* p = format; *p != 0; ++p) {
        if (*p != u'%' || p[1] == 0) {
            out += *p;
            continue;
        }
        ++p;
        switch (*p) {
        case u'd': {
            long long v = va_arg(args, int);
            AppendNumber(out, static_cast<unsigned long long>(v < 0 ? -v : v), v < 0);
            break;
        }
        case u'u':
            AppendNumber(out, va_arg(args, unsigned), false);
            break;
        case u's': {
            const char16_t* s = va_arg(args, const char16_t*);
            out += s != nullptr ? s : u"(null)";
            break;
        }
        case u'%':
            out += u'%';
            break;
        default:
            out += u'%';
            out += *p;
            break;
        }
    }
    return out;
}

} // namespace

void SetTraceSink(TraceSink sink) {
    g_sink.store(sink);
}

void Trace(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::u16string line = FormatArgs(format, args);
    va_end(args);
    TraceSink sink = g_sink.load();
    (sink != nullptr ? sink : WriteToStderr)(line);
}

std::u16string FormatTrace(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::u16string line = FormatArgs(format, args);
    va_end(args);
    return line;
}

} // namespace hitched
