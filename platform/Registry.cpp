#include "platform/Registry.h"

#include "platform/AtomicFile.h"
#include "platform/Debug.h"
#include "platform/Paths.h"

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace platform {
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kFormat = "zarnolt-registry";
constexpr int kVersion = 1;

std::string toHex(const Registry::Binary& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 15]);
    }
    return text;
}

std::optional<Registry::Binary> fromHex(const std::string& text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    Registry::Binary bytes(text.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int hi = nibble(text[2 * i]);
        const int lo = nibble(text[2 * i + 1]);
        if (hi < 0 || lo < 0) {
            return std::nullopt;
        }
        bytes[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return bytes;
}

} // namespace

Registry::Registry(fs::path file) : file_(std::move(file)) {
    load();
}

Registry& Registry::instance() {
    static Registry registry(configFolder() / "registry.json");
    return registry;
}

void Registry::load() {
    std::error_code error;
    if (!fs::exists(file_, error)) {
        return;
    }
    std::ifstream in(file_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    decltype(sections_) loaded;
    bool good = false;
    try {
        const json root = json::parse(text.str());
        good = root.is_object() && root.value("format", "") == kFormat &&
               root.value("version", 0) == kVersion && root.contains("sections") &&
               root["sections"].is_object();
        if (good) {
            for (const auto& [sectionName, entries] : root["sections"].items()) {
                if (!entries.is_object()) {
                    good = false;
                    break;
                }
                Section& section = loaded[sectionName];
                for (const auto& [entryName, value] : entries.items()) {
                    if (value.is_object() && value.contains("int") &&
                        value["int"].is_number_integer()) {
                        const auto number = value["int"].get<std::int64_t>();
                        if (number < INT32_MIN || number > INT32_MAX) {
                            good = false;
                            break;
                        }
                        section[entryName] = static_cast<int>(number);
                    } else if (value.is_object() && value.contains("binary") &&
                               value["binary"].is_string()) {
                        auto bytes = fromHex(value["binary"].get<std::string>());
                        if (!bytes) {
                            good = false;
                            break;
                        }
                        section[entryName] = std::move(*bytes);
                    } else {
                        good = false;
                        break;
                    }
                }
                if (!good) {
                    break;
                }
            }
        }
    } catch (const json::exception&) {
        good = false;
    }
    if (!good) {
        damaged_ = true;
        debugOut("registry: damaged store " + file_.string() + " set aside; using defaults");
        fs::path aside = file_;
        aside += ".damaged";
        fs::rename(file_, aside, error);
        return;
    }
    sections_ = std::move(loaded);
}

bool Registry::saveLocked() const {
    json sections = json::object();
    for (const auto& [sectionName, entries] : sections_) {
        json& section = sections[sectionName];
        section = json::object();
        for (const auto& [entryName, value] : entries) {
            if (const int* number = std::get_if<int>(&value)) {
                section[entryName] = {{"int", *number}};
            } else {
                section[entryName] = {{"binary", toHex(std::get<Binary>(value))}};
            }
        }
    }
    const json root = {{"format", kFormat}, {"version", kVersion}, {"sections", sections}};
    std::error_code error;
    fs::create_directories(file_.parent_path(), error);
    const std::string text = root.dump(1) + "\n";
    FileWriteOptions options;
    options.newFileMode = 0600;
    const FileWriteResult written = replaceFileContents(
        file_, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, options);
    if (!written) {
        debugOut("registry: cannot write " + file_.string() + ": " + written.error);
    }
    return written.written;
}

const Registry::Value* Registry::find(std::string_view section, std::string_view entry) const {
    const auto s = sections_.find(section);
    if (s == sections_.end()) {
        return nullptr;
    }
    const auto e = s->second.find(entry);
    return e == s->second.end() ? nullptr : &e->second;
}

bool Registry::store(std::string_view section, std::string_view entry, Value value) {
    std::lock_guard guard(mutex_);
    auto s = sections_.find(section);
    if (s == sections_.end()) {
        s = sections_.emplace(std::string(section), Section{}).first;
    }
    s->second.insert_or_assign(std::string(entry), std::move(value));
    return saveLocked();
}

int Registry::getInt(std::string_view section, std::string_view entry, int defaultValue) const {
    std::lock_guard guard(mutex_);
    const Value* value = find(section, entry);
    const int* number = value ? std::get_if<int>(value) : nullptr;
    return number ? *number : defaultValue;
}

bool Registry::setInt(std::string_view section, std::string_view entry, int value) {
    return store(section, entry, value);
}

std::optional<Registry::Binary> Registry::getBinary(std::string_view section,
                                                    std::string_view entry) const {
    std::lock_guard guard(mutex_);
    const Value* value = find(section, entry);
    const Binary* bytes = value ? std::get_if<Binary>(value) : nullptr;
    if (!bytes) {
        return std::nullopt;
    }
    return *bytes;
}

bool Registry::setBinary(std::string_view section, std::string_view entry,
                         std::span<const std::uint8_t> value) {
    return store(section, entry, Binary(value.begin(), value.end()));
}

bool Registry::remove(std::string_view section, std::string_view entry) {
    std::lock_guard guard(mutex_);
    auto s = sections_.find(section);
    if (s == sections_.end()) {
        return false;
    }
    auto e = s->second.find(entry);
    if (e == s->second.end()) {
        return false;
    }
    s->second.erase(e);
    if (s->second.empty()) {
        sections_.erase(s);
    }
    return saveLocked();
}

} // namespace platform
