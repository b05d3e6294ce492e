#include "platform/TextEncoding.h"

#include <cerrno>
#include <iconv.h>

namespace platform {
namespace {

// One iconv descriptor for a direction, opened on first use per thread (iconv_t is not
// safe to share between threads) and closed when the thread ends.
class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (handle_ != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(handle_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts the whole input. On an invalid sequence, calls `onInvalid` with the output so
    // far; it returns false to abandon the conversion or appends a substitute and returns true
    // to skip one input byte.
    template <typename OnInvalid>
    std::optional<std::string> convert(std::string_view input, OnInvalid onInvalid) {
        if (handle_ == reinterpret_cast<iconv_t>(-1)) {
            return std::nullopt;
        }
        iconv(handle_, nullptr, nullptr, nullptr, nullptr); // reset shift state
        std::string output;
        output.reserve(input.size() * 3 / 2 + 16);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* out = buffer;
            size_t outLeft = sizeof buffer;
            const size_t result = iconv(handle_, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<size_t>(out - buffer));
            if (result != static_cast<size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ (invalid or unrepresentable) or EINVAL (truncated sequence at the end).
            if (!onInvalid(output)) {
                return std::nullopt;
            }
            ++in;
            --inLeft;
        }
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        iconv(handle_, nullptr, nullptr, &out, &outLeft);
        output.append(buffer, static_cast<size_t>(out - buffer));
        return output;
    }

private:
    iconv_t handle_;
};

Converter& toUtf8() {
    thread_local Converter converter("UTF-8", "CP932");
    return converter;
}

Converter& toSjis() {
    thread_local Converter converter("CP932", "UTF-8");
    return converter;
}

} // namespace

std::optional<std::string> sjisToUtf8(std::string_view sjis) {
    return toUtf8().convert(sjis, [](std::string&) { return false; });
}

std::optional<std::string> utf8ToSjis(std::string_view utf8) {
    return toSjis().convert(utf8, [](std::string&) { return false; });
}

std::string sjisToUtf8Lossy(std::string_view sjis) {
    auto result = toUtf8().convert(sjis, [](std::string& out) {
        out += "\xEF\xBF\xBD";
        return true;
    });
    return result ? *result : std::string();
}

} // namespace platform
