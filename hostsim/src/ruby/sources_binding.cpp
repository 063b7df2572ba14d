// Where models come from besides scripts: HostSim.open_sample_house (the demo's house),
// HostSim.open_city (the benchmark city) and HostSim.import, which SketchUp calls
// Sketchup.open_file. Each opens the new model as the active model.
#include <string>

#include "import/importer.h"
#include "ruby/bindings.h"
#include "ruby/wrap.h"
#include "samples/city.h"
#include "samples/sample_house.h"

namespace hostsim::ruby {

namespace {

// The builders run C++ that may throw (when memory runs out); nothing may cross into Ruby.
template <typename Build>
Model* Safely(Build build) noexcept {
    try {
        return build();
    } catch (...) {
        return nullptr;
    }
}

VALUE OpenSampleHouseModel(VALUE) {
    Model* house = Safely([] { return OpenSampleHouse(); });
    if (!house) rb_raise(rb_eNoMemError, "no memory left to build the sample house");
    return Wrap(house);
}

VALUE OpenCityModel(VALUE, VALUE seed, VALUE triangles) {
    const long long s = NUM2LL(seed), t = NUM2LL(triangles);
    if (s < 0 || s > 0xFFFFFFFFll)
        rb_raise(rb_eArgError, "seed %lld is not between 0 and 4294967295", s);
    const auto fewest = static_cast<long long>(kCityFewestTriangles),
               most = static_cast<long long>(kCityMostTriangles);
    if (t < fewest || t > most)
        rb_raise(rb_eArgError, "a city of %lld triangles: ask for %lld to %lld", t, fewest, most);
    Model* city =
        Safely([s, t] { return OpenCity(static_cast<uint32_t>(s), static_cast<uint64_t>(t)); });
    if (!city) rb_raise(rb_eNoMemError, "no memory left to build a city of %lld triangles", t);
    return Wrap(city);
}

struct ImportOutcome {
    Model* model;
    bool missing;  // no such file, as opposed to a file that could not be read
};

// The C++ side in a frame of its own: nothing with a destructor is left alive when the
// caller raises, and no exception gets out.
ImportOutcome ImportIntoApp(const char* path, char* message, size_t size) noexcept {
    std::string error;
    ImportReport report;
    Model* model = Safely([&] { return ImportAndOpen(path, error, &report); });
    if (!model) {
        if (error.empty()) error = std::string("Cannot import '") + path + "': out of memory";
        // Ruby's headers take snprintf and memcpy over; the string copies itself.
        message[error.copy(message, size - 1)] = '\0';
    }
    return {model, report.failure == ImportFailure::FileMissing};
}

Model* ImportOrRaise(VALUE path) {
    VALUE text = rb_get_path(path);
    const char* utf8 = StringValueCStr(text);
    char message[2048];
    ImportOutcome outcome = ImportIntoApp(utf8, message, sizeof message);
    if (!outcome.model) rb_raise(outcome.missing ? rb_eIOError : rb_eRuntimeError, "%s", message);
    return outcome.model;
}

VALUE Import(VALUE, VALUE path) {
    return Wrap(ImportOrRaise(path));
}

VALUE OpenFile(VALUE, VALUE path) {
    ImportOrRaise(path);
    return Qtrue;
}

}  // namespace

void DefineModelSources() {
    rb_define_module_function(k.mHostSim, "open_sample_house", OpenSampleHouseModel, 0);
    rb_define_module_function(k.mHostSim, "open_city", OpenCityModel, 2);
    rb_define_module_function(k.mHostSim, "import", Import, 1);
    rb_define_module_function(k.mSketchup, "open_file", OpenFile, 1);
}

}  // namespace hostsim::ruby
