#pragma once
#include <CLI/CLI.hpp>

namespace cli {

// Each command adds its subcommand to the app. When the subcommand runs, its callback sets
// `exitCode` (0 on success, 1 after printing one line on stderr).
void registerItemCommand(CLI::App& app, int& exitCode);
void registerCatalogueCommand(CLI::App& app, int& exitCode);
void registerNewCommand(CLI::App& app, int& exitCode);
void registerInfoCommand(CLI::App& app, int& exitCode);
void registerDumpCommand(CLI::App& app, int& exitCode);
void registerResaveCommand(CLI::App& app, int& exitCode);
void registerSimulateCommand(CLI::App& app, int& exitCode);
void registerImportCommand(CLI::App& app, int& exitCode);
#ifdef ZARNOLT_CLI_RENDER
void registerRenderCommand(CLI::App& app, int& exitCode);
void registerRenderItemCommand(CLI::App& app, int& exitCode);
#endif

} // namespace cli
