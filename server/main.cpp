// murlo-board: the board of verified runs. It serves the web page's folder
// and the board's API on one port; every run submitted is played with the
// game itself before it is stored.
#include <httplib.h>
#include <pthread.h>
#include <signal.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "server/service.h"
#include "murlo/version.h"

namespace {

using murlo::server::Answer;

constexpr const char* usage_text =
    "usage: murlo-board [--web DIR] [--db DB] [--listen ADDR] [--port N]\n"
    "                   [--per-minute N] [--trust-proxy ADDR]\n"
    "       murlo-board --remove ID [--db DB]\n"
    "       murlo-board --help | --version\n";

constexpr const char* help_text =
    "Serves the web page's folder and the board of verified runs on one port.\n"
    "\n"
    "  --web DIR           the page's folder (build-web/web); without it, only the board\n"
    "  --db DB             an SQLite file (default board.sqlite), or postgresql://... for\n"
    "                      a PostgreSQL database that several servers share\n"
    "  --listen ADDR       the address to listen on (default 127.0.0.1)\n"
    "  --port N            the port (default 8080)\n"
    "  --per-minute N      submissions a client address may make a minute (default 30;\n"
    "                      0: no limit)\n"
    "  --trust-proxy ADDR  requests from ADDR, a reverse proxy, name their client in\n"
    "                      X-Forwarded-For\n"
    "  --remove ID         remove the entry ID from the board and exit\n"
    "\n"
    "API: POST /api/runs {\"name\": NAME, \"run\": LINK or SCRIPT}; GET /api/board?limit=N&offset=M;\n"
    "GET /api/runs/ID; the board as a page at /board.\n";

// The most runs waiting to be verified; past it a submission gets 503.
constexpr std::size_t queue_capacity = 64;
// Threads serving connections: each kept-alive connection holds one.
constexpr std::size_t connection_threads = 128;

// Runs are inflated, read and replayed here, by as many workers as cores,
// with a bounded queue in front.
struct WorkPool {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::function<void()>> jobs;
    std::vector<std::thread> workers;
    bool stopping = false;

    explicit WorkPool(unsigned count) {
        for (unsigned i = 0; i < count; ++i) workers.emplace_back([this] { work(); });
    }
    ~WorkPool() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        ready.notify_all();
        for (std::thread& t : workers) t.join();
    }
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    bool post(std::function<void()> job) {
        {
            std::lock_guard lock(mutex);
            if (jobs.size() >= queue_capacity) return false;
            jobs.push_back(std::move(job));
        }
        ready.notify_one();
        return true;
    }
    void work() {
        for (;;) {
            std::unique_lock lock(mutex);
            ready.wait(lock, [this] { return stopping || !jobs.empty(); });
            if (jobs.empty()) return;
            std::function<void()> job = std::move(jobs.front());
            jobs.pop_front();
            lock.unlock();
            job();
        }
    }
};

struct Options {
    std::string web;
    std::string db = "board.sqlite";
    std::string listen = "127.0.0.1";
    int port = 8080;
    int per_minute = 30;
    std::string trust_proxy;
    std::int64_t remove = -1;
};

bool number_option(const char* text, long long low, long long high, long long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

// 0 to go on, else the exit status.
int parse_options(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::fputs(usage_text, stdout);
            std::fputs(help_text, stdout);
            return -1;
        }
        if (arg == "--version") {
            std::printf("murlo-board %s\n%s", murlo::version, murlo::licence_note);
            return -1;
        }
        const bool takes_value = arg == "--web" || arg == "--db" || arg == "--listen" || arg == "--port" ||
                                 arg == "--per-minute" || arg == "--trust-proxy" || arg == "--remove";
        if (!takes_value || i + 1 >= argc) {
            std::fprintf(stderr, "murlo-board: %s %s\n%s", takes_value ? "no value for" : "unknown option",
                         arg.c_str(), usage_text);
            return 2;
        }
        const char* value = argv[++i];
        long long n = 0;
        bool ok = true;
        if (arg == "--web") o.web = value;
        else if (arg == "--db") o.db = value;
        else if (arg == "--listen") o.listen = value;
        else if (arg == "--trust-proxy") o.trust_proxy = value;
        else if (arg == "--port") ok = number_option(value, 0, 65535, n), o.port = static_cast<int>(n);
        else if (arg == "--per-minute") ok = number_option(value, 0, 1000000, n), o.per_minute = static_cast<int>(n);
        else ok = number_option(value, 1, INT64_MAX, n), o.remove = n;
        if (!ok) {
            std::fprintf(stderr, "murlo-board: bad value for %s: %s\n%s", arg.c_str(), value, usage_text);
            return 2;
        }
    }
    return 0;
}

// What the game's page needs and no more: its own scripts and the wasm it
// compiles, its own style (it has no inline script or style), fetches,
// service worker, manifest and icons. Sound is synthesised with Web Audio,
// which needs no source.
constexpr const char* page_policy =
    "default-src 'none'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; img-src 'self' data: blob:; "
    "connect-src 'self'; worker-src 'self'; manifest-src 'self'; base-uri 'none'; form-action 'none'; "
    "frame-ancestors 'none'";

constexpr const char* board_policy =
    "default-src 'none'; style-src 'self'; img-src 'self'; base-uri 'none'; form-action 'none'; "
    "frame-ancestors 'none'";

void send(httplib::Response& res, const Answer& a) {
    res.status = a.status;
    if (a.retry_after > 0) res.set_header("Retry-After", std::to_string(a.retry_after));
    res.set_content(a.body, a.type.c_str());
}

// The client a request speaks for: the connection's address, or the last
// address X-Forwarded-For names when the connection is the trusted proxy.
std::string client_of(const httplib::Request& req, const std::string& trust_proxy) {
    if (trust_proxy.empty() || req.remote_addr != trust_proxy || !req.has_header("X-Forwarded-For"))
        return req.remote_addr;
    std::string list = req.get_header_value("X-Forwarded-For");
    const std::size_t comma = list.rfind(',');
    std::string last = comma == std::string::npos ? list : list.substr(comma + 1);
    const std::size_t first = last.find_first_not_of(" \t");
    const std::size_t end = last.find_last_not_of(" \t");
    return first == std::string::npos ? req.remote_addr : last.substr(first, end - first + 1);
}

int serve(const Options& o, murlo::server::Service& service, const sigset_t& signals) {

    murlo::server::RateLimit limit;
    limit.per_minute = o.per_minute;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    WorkPool pool(cores);

    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(connection_threads); };
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(100000);
    server.set_payload_max_length(murlo::server::max_body);
    server.set_file_extension_and_mimetype_mapping("webmanifest", "application/manifest+json");
    server.set_file_extension_and_mimetype_mapping("wasm", "application/wasm");
    if (!o.web.empty() && !server.set_mount_point("/", o.web)) {
        std::fprintf(stderr, "murlo-board: no folder %s\n", o.web.c_str());
        return 1;
    }
    server.set_post_routing_handler([&](const httplib::Request& req, httplib::Response& res) {
        res.set_header("X-Content-Type-Options", "nosniff");
        if (res.get_header_value("Content-Type").starts_with("text/html"))
            res.set_header("Content-Security-Policy", req.path == "/board" ? board_policy : page_policy);
    });
    server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty()) return;
        // The HTTP library refuses a form body past 8 KiB before we see it
        // (curl -d sends one): say what to send instead.
        const bool form = req.get_header_value("Content-Type").starts_with("application/x-www-form-urlencoded");
        const char* what = res.status == 413 && form
                               ? "a form body is over 8 KiB: send the run as JSON (Content-Type: application/json)"
                           : res.status == 413 ? "the body is over 256 KiB"
                           : res.status == 404 ? "not found"
                           : res.status < 500  ? "bad request"
                                               : "the server failed";
        send(res, murlo::server::error_answer(res.status, what));
    });

    server.Post("/api/runs", [&](const httplib::Request& req, httplib::Response& res) {
        if (req.body.size() > murlo::server::max_body) return send(res, murlo::server::error_answer(413, "the body is over 256 KiB"));
        const int wait = murlo::server::take_submission(limit, client_of(req, o.trust_proxy),
                                                       std::chrono::steady_clock::now());
        if (wait > 0) {
            Answer a = murlo::server::error_answer(429, "too many submissions: try again later");
            a.retry_after = wait;
            return send(res, a);
        }
        std::promise<Answer> done;
        std::future<Answer> answer = done.get_future();
        // The request outlives the job: this thread waits for its answer.
        if (!pool.post([&] { done.set_value(murlo::server::submit(service, req.body)); })) {
            Answer a = murlo::server::error_answer(503, "the server is busy: try again shortly");
            a.retry_after = 1;
            return send(res, a);
        }
        send(res, answer.get());
    });
    server.Get("/api/board", [&](const httplib::Request& req, httplib::Response& res) {
        send(res, murlo::server::board_json(service, req.get_param_value("limit"), req.get_param_value("offset")));
    });
    server.Get(R"(/api/runs/([^/]+))", [&](const httplib::Request& req, httplib::Response& res) {
        send(res, murlo::server::entry_json(service, req.matches[1].str()));
    });
    server.Get("/board", [&](const httplib::Request&, httplib::Response& res) {
        send(res, murlo::server::board_page(service));
    });
    server.Get("/board.css", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(murlo::server::board_css()), "text/css");
    });

    if (!server.bind_to_port(o.listen, o.port)) {
        std::fprintf(stderr, "murlo-board: cannot listen on %s port %d\n", o.listen.c_str(), o.port);
        return 1;
    }
    std::thread stopper([&] {
        int signal_number = 0;
        sigwait(&signals, &signal_number);
        server.stop();
    });
    std::printf("murlo-board %s: serving on http://%s:%d/\n", murlo::version, o.listen.c_str(), o.port);
    std::fflush(stdout);
    const bool ok = server.listen_after_bind();
    // Wake the signal thread if the server stopped for another reason.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (const int status = parse_options(argc, argv, o); status != 0) return status < 0 ? 0 : status;
    // Signals are taken by one thread, which stops the server: main then
    // returns through its normal path. Blocked before any thread starts
    // (PostgreSQL's listener among them), so none of them is killed by one.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    if (o.remove < 0) pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    murlo::server::Service service;
    service.version = murlo::version;
    std::string error;
    const int connections = static_cast<int>(std::max(1u, std::thread::hardware_concurrency())) + 4;
    if (!murlo::server::open_store(service.store, o.db, connections, error)) {
        std::fprintf(stderr, "murlo-board: cannot open %s: %s\n", o.db.c_str(), error.c_str());
        return 1;
    }
    if (o.remove > 0) {
        bool removed = false;
        if (!murlo::server::remove_entry(service.store, o.remove, removed, error)) {
            std::fprintf(stderr, "murlo-board: cannot remove entry %lld: %s\n", static_cast<long long>(o.remove),
                         error.c_str());
            return 1;
        }
        std::printf(removed ? "removed entry %lld\n" : "no entry %lld\n", static_cast<long long>(o.remove));
        return removed ? 0 : 1;
    }
    // Entries another version verified: those this one replays alike are
    // marked with its version; the others keep theirs, and stay.
    const int marked = murlo::server::recheck_entries(service, error);
    if (marked < 0) std::fprintf(stderr, "murlo-board: cannot recheck older entries: %s\n", error.c_str());
    if (marked > 0) std::printf("murlo-board: %d older entries replay alike under %s\n", marked, murlo::version);
    return serve(o, service, signals);
}
