// `zarnolt-cli new OUT [--columns N] [--rows N]`: writes an empty layout; sizes not given
// come from the preferences.
#include "Commands.h"
#include "LayoutSession.h"

#include <iostream>
#include <memory>

#include "model/Geometry.h"

namespace cli {
namespace {

struct NewOptions {
    std::string out;
    int columns = 0;
    int rows = 0;
};

bool sizeGiven(int value) {
    return value != 0;
}

int runNew(const NewOptions& options) {
    for (const int value : {options.columns, options.rows}) {
        if (sizeGiven(value) && !model::isValidBoardSize(value)) {
            std::cerr << "zarnolt-cli new: board sizes run from 1 to " << model::kMaxBoardSize
                      << ", not " << value << '\n';
            return 1;
        }
    }
    LayoutSession session;
    model::CZarnoltDocument& document = session.document();
    document.newLayout(options.columns, options.rows);
    return session.write("new", options.out) ? 0 : 1;
}

} // namespace

void registerNewCommand(CLI::App& app, int& exitCode) {
    CLI::App* command = app.add_subcommand("new", "Write an empty layout file (.zrn)");
    auto options = std::make_shared<NewOptions>();
    command->add_option("OUT", options->out, "layout file to write")->required();
    command->add_option("--columns", options->columns, "board width in tiles (1 … 999)");
    command->add_option("--rows", options->rows, "board depth in tiles (1 … 999)");
    command->callback(
        [options, &exitCode] { exitCode = guarded("new", [&] { return runNew(*options); }); });
}

} // namespace cli
