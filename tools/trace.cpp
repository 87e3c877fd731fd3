// gravity-trace: loads a parameter file as the program does and runs the program's
// frame loop with records printed and the frames drawn into memory: no window, no
// console, no delay.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/filedriver.h"
#include "runtime/in_words.h"
#include "runtime/startup.h"
#include "runtime/textfile.h"
#include "sim/loader.h"
#include "sim/simulation.h"
#include "sim/frame.h"
#include "tools/options.h"
#include "tools/picture.h"
#include "tools/png.h"
#include "tools/progress.h"
#include "tools/records.h"

namespace {

using namespace sim;
using tools::emit;
using tools::Print;

int saved_argc;
char** saved_argv;
tools::Options options;
std::unique_ptr<tools::Pictures> pictures;
runtime::ExitProcedure saved_exit = nullptr;

// A picture that cannot be written is said on standard error; the run still ends
// with a non-zero code.
bool write_picture(const std::string& path, const std::vector<uint32_t>& pixels) {
    std::string problem = tools::write_png(path, pixels.data(), pictures->width(), pictures->height());
    if (problem.empty()) return true;
    tools::say({"cannot write ", path, ": ", problem});
    return false;
}

// The summary picture of the frames drawn so far, then the records (whose failed
// write raises 101 and so comes last): both are out before a report follows.
void trace_exit() {
    runtime::EXITPROC = saved_exit;
    tools::make_way_for(2);  // and for the report, on the same terminal or not
    if (pictures && !options.png.empty() && !write_picture(options.png, pictures->summary()) &&
        runtime::EXITCODE == 0)
        runtime::EXITCODE = 1;
    tools::flush_records();
}

void print_body(const Simulation& simulation, int I) {
    for (int K = MASS; K <= VY; ++K) tools::emit_real(simulation.F(I, K), options.hex);
    emit("\n");
}

// The frame loop's frames as records and pictures; FRAMES of them.
class TraceFrames final : public FrameIo {
public:
    explicit TraceFrames(const Simulation& simulation) : simulation_(simulation) {}
    void drawn(int I, const ScreenCoords& s) override {
        pictures->drawn(s);
        if (options.print != Print::all && (options.print != Print::last || frame_ != options.frames)) return;
        char head[96];
        emit(head, size_t(std::snprintf(head, sizeof head, "F %llu %d %d %d %d %d", frame_, I, s.x1, s.y1, s.x2, s.y2)));
        print_body(simulation_, I);
    }
    void wait() override {
        pictures->frame_complete();
        if (options.frames_dir.empty()) return;
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06llu.png", frame_);
        if (!write_picture(options.frames_dir + name, pictures->canvas())) runtime::HALT(1);
    }
    bool key_pressed() override {
        tools::show_progress(frame_);
        if (frame_ == options.frames) return true;
        ++frame_;
        return false;
    }
    void read_key() override {}

private:
    const Simulation& simulation_;
    unsigned long long frame_ = 1;
};

bool is_frame_name(std::string_view name) { return name.starts_with("frame-") && name.ends_with(".png"); }

// A run's frames never lie beside another run's, which a video of the folder would mix
// in; and a user's files are never deleted.
void refuse_old_frames(const std::string& dir) {
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) return;
    std::string found;
    for (dirent* e; found.empty() && (e = readdir(d)) != nullptr;)
        if (is_frame_name(e->d_name)) found = e->d_name;
    closedir(d);
    if (found.empty()) return;
    tools::say({dir, " already holds frames (", found, "): name a folder without them; nothing was deleted"});
    runtime::HALT(2);
}

void prepare_frames_dir(const std::string& dir) {
    struct stat st;
    if (stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return refuse_old_frames(dir);
    if (mkdir(dir.c_str(), 0777) == 0) return;
    tools::say({"cannot make ", dir, ": ", std::strerror(errno)});
    runtime::HALT(1);
}

// Binds BE to FILE. The run-time's names are short strings, the prompt's limit; a
// path of any length is resolved here and handed over by its descriptor's name.
void assign_parameter_file(runtime::TEXTREC& BE, const std::string& file) {
    if (file == "-") return runtime::ASSIGN(BE, "");
    const int fd = open(file.c_str(), O_PATH | O_CLOEXEC), error = errno;
    runtime::ASSIGN(BE, fd < 0 ? "" : ("/proc/self/fd/" + std::to_string(fd)).c_str());
    BE.shown_name = file.c_str();  // the options live until the process ends
    if (fd < 0) runtime::fail_on(BE, runtime::ERRNO2INOUTRES(runtime::host_error_code(error, file.c_str(), true)));
}

void answer(tools::Options::Ask ask) {
    emit(ask == tools::Options::Ask::help ? tools::usage().c_str() : "gravity-trace " GRAVITY_VERSION "\n");
    tools::flush_records();
    runtime::HALT(0);
}

[[gnu::noinline]] void trace_main() {
    runtime::initialize();
    runtime::name_in_messages("gravity-trace");  // the straightforward build's too: they say the same
    saved_exit = runtime::EXITPROC;
    runtime::EXITPROC = trace_exit;
    options = tools::parse_options(saved_argc, saved_argv);
    const tools::Options& o = options;
    if (o.ask != tools::Options::Ask::run) answer(o.ask);
    // The loop always draws; with no picture asked for, on a canvas of one pixel.
    const bool drawn = !o.png.empty() || !o.frames_dir.empty();
    pictures = std::make_unique<tools::Pictures>(drawn ? o.width : 1, drawn ? o.height : 1);
    if (!o.frames_dir.empty()) prepare_frames_dir(o.frames_dir);
    static Simulation simulation;
    assign_parameter_file(simulation.BE, o.file);
    runtime::RESET(simulation.BE);
    runtime::INT_IOCHECK();
    ALLAPOT(simulation);
    emit("P");
    tools::emit_integer(simulation.N);
    tools::emit_integer(simulation.SZUNET);
    tools::emit_real(simulation.UTKOZES, o.hex);
    tools::emit_real(simulation.C, o.hex);
    emit("\n");
    if (o.print == Print::all) {
        for (int I = 1; I <= simulation.N; ++I) {
            emit("L");
            tools::emit_integer(I);
            print_body(simulation, I);
        }
    }
    TraceFrames frames(simulation);
    tools::start_progress(o.frames);
    if (o.frames > 0) FUTTAT(simulation, frames);
}

}  // namespace

int main(int argc, char** argv) {
    saved_argc = argc;
    saved_argv = argv;
    EXE_ENTRY(trace_main);
}
