// `zarnolt-cli resave IN OUT`: reads a layout and writes it again.
#include "Commands.h"
#include "LayoutSession.h"

#include <memory>

namespace cli {
namespace {

int runResave(const std::string& in, const std::string& out) {
    LayoutSession session;
    if (!session.read("resave", in)) {
        return 1;
    }
    return session.write("resave", out) ? 0 : 1;
}

} // namespace

void registerResaveCommand(CLI::App& app, int& exitCode) {
    CLI::App* command = app.add_subcommand("resave", "Read a layout file and write it again");
    auto in = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    command->add_option("IN", *in, "layout file to read")->required();
    command->add_option("OUT", *out, "layout file to write")->required();
    command->callback([in, out, &exitCode] {
        exitCode = guarded("resave", [&] { return runResave(*in, *out); });
    });
}

} // namespace cli
