// link-host: the plug-in's side of one link in a process of its own, for the tests that need a
// host they can end from outside or a second host beside their own.
//   link-host MODEL
// Hosts MODEL with 8 record slots and prints one line:
//   {"host":STATUS,"open":BOOL,"name":"NAME","publish":STATUS}
// (publish is Publish's answer, tried whatever Host gave). A host that got the link then waits
// until its standard input closes, stops the link and prints {"stopped":true}.
#include <cstdio>
#include <iostream>
#include <string>

#include "liveconnection/live_connection.h"
#include "twinlink/platform.h"

namespace {

std::string Bool(bool value) {
    return value ? "true" : "false";
}

// A name as a JSON string's content: backslashes and quotes escaped.
std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: link-host MODEL\n";
        return 2;
    }
    namespace platform = twinlink::platform;
    TwinLinkAPI::LiveConnection connection;
    const int32_t hosted = connection.Host(platform::Utf8ToUtf16(argv[1]), 8);
    const int32_t published = connection.Publish();
    std::cout << R"({"host":)" << hosted << R"(,"open":)" << Bool(connection.IsOpen()) << R"(,"name":")"
              << Escaped(platform::Utf16ToUtf8(connection.GetName())) << R"(","publish":)" << published << "}\n"
              << std::flush;
    if (hosted != 0) return 0;

    while (std::cin.get() != std::char_traits<char>::eof()) continue;
    connection.Stop();
    std::cout << R"({"stopped":true})" << "\n" << std::flush;
    return 0;
}
