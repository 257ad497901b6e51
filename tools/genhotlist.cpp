// genhotlist: writes a large, realistic hotlist for tests and benchmarks.
// The same options and seed always give the same bytes.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "GenTree.h"

namespace {

constexpr const char* Description =
    "Writes a hotlist (a bookmark file of folder and bookmark blocks, UTF-8) for tests and\n"
    "benchmarks: a header, then a folder tree --depth levels deep in which the root and every\n"
    "folder above the last level hold --fanout sub-folders, with --bookmarks bookmarks spread\n"
    "over the root and the folders (some folders stay empty) and a separator now and then.\n"
    "Bookmarks have ID, NAME (Latin and Cyrillic words), URL (often with a query string),\n"
    "CREATED and VISITED (Unix seconds), and some DESCRIPTION, SHORT NAME and ICONFILE;\n"
    "folders have ID, NAME and CREATED; the first root entries are on the personal bar.\n"
    "IDs are unique and sibling folders have distinct names. The output is written as a\n"
    "stream, so memory use does not grow with its size; the same options give the same bytes.";

constexpr const char* Footer =
    "\nExamples:\n"
    "  genhotlist --bookmarks 1000000 --depth 4 --fanout 6 --output big.hotlist\n"
    "  genhotlist --bookmarks 100000 --all-nested --tail-folder Last --output nested.hotlist\n"
    "  The transcript tests' realistic.hotlist was made by:\n"
    "  genhotlist --bookmarks 340 --depth 5 --fanout 2 --seed 4 --output realistic.hotlist";

// The counts are unsigned; without this "-5" would wrap around to a huge number.
const CLI::Validator NotNegative(
    [](std::string& text) {
        return text.find('-') == std::string::npos ? std::string() : "must not be negative";
    },
    "", "NOT NEGATIVE");

}  // namespace

int main(int argc, char** argv)
{
    gen::GenOptions options;
    std::string output;

    CLI::App app{Description, "genhotlist"};
    app.footer(Footer);
    app.add_option("--bookmarks", options.bookmarks,
                   "Bookmarks in the tree, not counting the tail folder's")
        ->check(NotNegative)->capture_default_str();
    app.add_option("--depth", options.depth,
                   "Folder levels below the root (0: no folders; at most " +
                       std::to_string(gen::MaxDepth) + ")")
        ->check(NotNegative)->capture_default_str();
    app.add_option("--fanout", options.fanout,
                   "Sub-folders of the root and of every folder above the last level")
        ->check(NotNegative)->capture_default_str();
    app.add_option("--seed", options.seed, "Seed of the random choices")
        ->check(NotNegative)
        ->capture_default_str();
    app.add_flag("--crlf", options.crlf, "End lines with CR LF instead of LF");
    app.add_option("--output,-o", output, "File to write (default: standard output)");
    app.add_flag("--all-nested", options.allNested,
                 "Put every bookmark inside folders, none at the root");
    app.add_option("--tail-folder", options.tailFolder,
                   "Add a last top-level folder of this name holding " +
                       std::to_string(gen::TailFolderBookmarks) +
                       " bookmarks at the very end of the file (not counted in --bookmarks)");
    CLI11_PARSE(app, argc, argv);

    const std::string problem = gen::CheckOptions(options);
    if (!problem.empty()) {
        std::cerr << "genhotlist: " << problem << "\n";
        return 2;
    }

    std::FILE* file = stdout;
    if (!output.empty()) {
        file = std::fopen(output.c_str(), "wb");
        if (!file) {
            std::cerr << "genhotlist: cannot open " << output
                      << " for writing: " << std::strerror(errno) << "\n";
            return 1;
        }
    }
    bool written = gen::WriteHotlist(options, file);
    int error = written ? 0 : errno;
    if (written && std::fflush(file) != 0) {
        written = false;
        error = errno;
    }
    if (file != stdout && std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        std::cerr << "genhotlist: cannot write " << (output.empty() ? "standard output" : output)
                  << ": " << std::strerror(error) << "\n";
        return 1;
    }
    return 0;
}
