#pragma once
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

// Per-user settings: integer and binary values addressed by section and entry name, kept in
// one file. Every successful write replaces the file atomically (a temporary file in the same
// folder, flushed, then renamed over it), so a crash never leaves half a store behind.
// A store file that cannot be parsed is set aside as "<name>.damaged" and the store starts
// empty, so every read returns its default. Safe to use from several threads.
class Registry {
public:
    using Binary = std::vector<std::uint8_t>;

    // Opens (or prepares to create) the store at `file`; nothing is written until a set.
    explicit Registry(std::filesystem::path file);

    // The process-wide store in configFolder(), opened on first use.
    static Registry& instance();

    // The integer at section/entry, or `defaultValue` when absent or not an integer.
    int getInt(std::string_view section, std::string_view entry, int defaultValue) const;
    bool setInt(std::string_view section, std::string_view entry, int value);

    // The binary value at section/entry, or nothing when absent or not binary.
    std::optional<Binary> getBinary(std::string_view section, std::string_view entry) const;
    bool setBinary(std::string_view section, std::string_view entry,
                   std::span<const std::uint8_t> value);

    // Removes one entry; true when it existed and the store was saved.
    bool remove(std::string_view section, std::string_view entry);

    const std::filesystem::path& file() const { return file_; }

    // True when the file found at opening could not be parsed and was set aside.
    bool wasDamaged() const { return damaged_; }

private:
    using Value = std::variant<int, Binary>;
    using Section = std::map<std::string, Value, std::less<>>;

    void load();
    bool saveLocked() const;
    bool store(std::string_view section, std::string_view entry, Value value);
    const Value* find(std::string_view section, std::string_view entry) const;

    std::filesystem::path file_;
    std::map<std::string, Section, std::less<>> sections_;
    bool damaged_ = false;
    mutable std::mutex mutex_;
};

} // namespace platform
