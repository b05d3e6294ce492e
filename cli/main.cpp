// zarnolt-cli: inspect, convert, simulate and render layouts without a display.
// Every command exits 0 on success and 1 with one line on stderr on failure.
#include "Commands.h"
#include "LayoutSession.h"

#include <CLI/CLI.hpp>
#include <iostream>

int main(int argc, char** argv) {
    CLI::App app{"Zarnolt command-line tool: inspect, convert, simulate and render layouts.",
                 "zarnolt-cli"};
    app.set_version_flag("--version", std::string("zarnolt-cli ") + ZARNOLT_VERSION);
    app.require_subcommand(0, 1);

    int exitCode = 0;
    cli::registerItemCommand(app, exitCode);
    cli::registerCatalogueCommand(app, exitCode);
    cli::registerNewCommand(app, exitCode);
    cli::registerInfoCommand(app, exitCode);
    cli::registerDumpCommand(app, exitCode);
    cli::registerResaveCommand(app, exitCode);
    cli::registerSimulateCommand(app, exitCode);
    cli::registerImportCommand(app, exitCode);
#ifdef ZARNOLT_CLI_RENDER
    cli::registerRenderCommand(app, exitCode);
    cli::registerRenderItemCommand(app, exitCode);
#endif

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            return app.exit(error); // --help and --version
        }
        // A bad command line is an error like any other: one line, exit 1.
        std::cerr << "zarnolt-cli: " << error.what() << '\n';
        return 1;
    }
    if (app.get_subcommands().empty()) {
        std::cout << app.help();
    }
    // The model a command read is dropped with the process, not freed piece by piece.
    return cli::finishProcess(exitCode);
}
