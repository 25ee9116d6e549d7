#include "app/trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string_view>

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

// A text argument cannot end the line: what a client or a device sends could otherwise forge
// lines of the log. CR and LF are written as the escapes \r and \n.
std::u16string OnOneLine(std::u16string_view text) {
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'\r') {
            out += u"\\r";
        } else if (c == u'\n') {
            out += u"\\n";
        } else {
            out += c;
        }
    }
    return out;
}

// One directive after its '%': flags, width, size and conversion, as wvsprintfW reads them.
struct Directive {
    bool zeroPad = false;
    bool wide = false; // "I64": the argument is 64 bits
    std::size_t width = 0;
    char16_t conversion = 0;
    std::size_t length = 0; // characters after the '%'
};

Directive ParseDirective(const char16_t* p) {
    Directive d;
    const char16_t* start = p;
    if (*p == u'0') {
        d.zeroPad = true;
        ++p;
    }
    // A width beyond any line's length is no directive; the cap keeps the count from wrapping.
    while (*p >= u'0' && *p <= u'9' && d.width < 1000) {
        d.width = d.width * 10 + static_cast<std::size_t>(*p - u'0');
        ++p;
    }
    if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
        d.wide = true;
        p += 3;
    }
    d.conversion = *p;
    d.length = static_cast<std::size_t>(p - start) + (*p != 0 ? 1 : 0);
    return d;
}

std::u16string Digits(unsigned long long value, unsigned base, bool upper) {
    const char16_t* digits = upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
    std::u16string out;
    do {
        out.insert(out.begin(), digits[value % base]);
        value /= base;
    } while (value != 0);
    return out;
}

// Pads to the width: zeros go between the sign and the digits, blanks before both.
void AppendPadded(std::u16string& out, const Directive& d, bool negative, std::u16string digits) {
    const std::size_t used = digits.size() + (negative ? 1 : 0);
    const std::size_t pad = d.width > used ? d.width - used : 0;
    if (!d.zeroPad) {
        out.append(pad, u' ');
    }
    if (negative) {
        out += u'-';
    }
    if (d.zeroPad) {
        out.append(pad, u'0');
    }
    out += digits;
}

std::u16string FormatArgs(const char16_t* format, va_list args) {
    std::u16string out;
    for (const char16_t* p = format; *p != 0; ++p) {
        if (*p != u'%' || p[1] == 0) {
            out += *p;
            continue;
        }
        const Directive d = ParseDirective(p + 1);
        switch (d.conversion) {
        case u'd': {
            const long long v = d.wide ? va_arg(args, long long) : va_arg(args, int);
            // The magnitude in unsigned arithmetic, so the most negative value has one too.
            const unsigned long long magnitude = v < 0 ? 0ULL - static_cast<unsigned long long>(v)
                                                       : static_cast<unsigned long long>(v);
            AppendPadded(out, d, v < 0, Digits(magnitude, 10, false));
            break;
        }
        case u'u':
        case u'x':
        case u'X': {
            const unsigned long long v =
                d.wide ? va_arg(args, unsigned long long) : va_arg(args, unsigned);
            AppendPadded(out, d, false,
                         Digits(v, d.conversion == u'u' ? 10 : 16, d.conversion == u'X'));
            break;
        }
        case u's': {
            const char16_t* s = va_arg(args, const char16_t*);
            AppendPadded(out, Directive{false, false, d.width, 0, 0}, false,
                         s != nullptr ? OnOneLine(s) : u"(null)");
            break;
        }
        case u'%':
            if (d.length == 1) {
                out += u'%';
                break;
            }
            [[fallthrough]];
        default:
            // Not a directive: copied as it stands, and no argument is taken for it.
            out.append(p, d.length + 1);
            break;
        }
        p += d.length;
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
