#include "peer/launcher.h"

#include <fstream>

#include "twinlink/platform.h"

namespace korvan::peer {

namespace platform = twinlink::platform;

namespace {

// The launch file: a first line that marks it as ours, the version, and the size of the copy,
// so that a Korvan.exe put there later by anything else is not taken for ours.
constexpr char kLaunchMark[] = "korvan-peer launcher";
constexpr char kVersionPrefix[] = "version ";
constexpr char kSizePrefix[] = "size ";

struct LaunchFile {
    std::string version;
    std::string size;
};

std::optional<LaunchFile> ReadLaunchFile(const std::filesystem::path& folder) {
    std::ifstream file(folder / kLaunchFileName, std::ios::binary);
    std::string mark, version, size;
    if (!std::getline(file, mark) || mark != kLaunchMark || !std::getline(file, version) ||
        version.rfind(kVersionPrefix, 0) != 0 || !std::getline(file, size) ||
        size.rfind(kSizePrefix, 0) != 0) {
        return std::nullopt;
    }
    return LaunchFile{version.substr(sizeof kVersionPrefix - 1),
                      size.substr(sizeof kSizePrefix - 1)};
}

std::string SizeOf(const std::filesystem::path& file) {
    std::error_code failure;
    const uintmax_t size = std::filesystem::file_size(file, failure);
    return failure ? std::string() : std::to_string(size);
}

}  // namespace

bool WriteLauncher(const std::filesystem::path& folder, const std::filesystem::path& peerExecutable,
                   const std::string& version, std::string* error) {
    const std::filesystem::path launcher = folder / kLauncherName;
    const std::string launcherText = platform::Utf16ToUtf8(launcher.u16string());
    const auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    std::error_code failure;
    if (std::filesystem::exists(launcher, failure) && !IsOurLauncher(folder))
        return fail(launcherText + " is there and was not written by install; it is left as it is");
    std::filesystem::copy_file(peerExecutable, launcher,
                               std::filesystem::copy_options::overwrite_existing, failure);
    if (failure) return fail("cannot write " + launcherText + ": " + failure.message());
    std::ofstream file(folder / kLaunchFileName, std::ios::binary | std::ios::trunc);
    file << kLaunchMark << "\n"
         << kVersionPrefix << version << "\n"
         << kSizePrefix << SizeOf(launcher) << "\n";
    file.close();
    if (!file) {
        RemoveLauncher(folder);
        return fail("cannot write " +
                    platform::Utf16ToUtf8((folder / kLaunchFileName).u16string()));
    }
    return true;
}

bool IsOurLauncher(const std::filesystem::path& folder) {
    const std::optional<LaunchFile> launch = ReadLaunchFile(folder);
    return launch && launch->size == SizeOf(folder / kLauncherName);
}

void RemoveLauncher(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::remove(folder / kLauncherName, ignored);
    std::filesystem::remove(folder / kLaunchFileName, ignored);
}

std::optional<LauncherRun> AsLauncher(const std::filesystem::path& program,
                                      const std::vector<std::string>& arguments) {
    if (program.filename() != kLauncherName) return std::nullopt;
    const std::filesystem::path folder = program.parent_path();
    const std::optional<LaunchFile> launch = ReadLaunchFile(folder);
    if (!launch) return std::nullopt;
    LauncherRun run{{"watch", "--version", launch->version}, folder / kLauncherLogName};
    run.arguments.insert(run.arguments.end(), arguments.begin(), arguments.end());
    return run;
}

}  // namespace korvan::peer
