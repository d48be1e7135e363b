#include "RelaySettings.h"
#include "api/ChangeVersions.h"
#include "api/Metrics.h"
#include "api/ReceivedChanges.h"
#include "api/Router.h"
#include "common/Secrets.h"
#include "http/HttpServer.h"
#include "http/OpenFiles.h"
#include "store/CommitQueue.h"
#include "store/PostgresBroadcast.h"
#include "store/RetentionPruner.h"
#include "store/SqliteStore.h"
#include "store/StoreFactory.h"
#include "store/TimeText.h"
#include "store/WalCheckpointer.h"
#include "suggest/ModelSuggester.h"
#include "suggest/SenderTable.h"
#include "suggest/TemplateSuggester.h"

#include <boost/asio/signal_set.hpp>

#include <malloc.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>

using namespace corvane::relay;

namespace {

constexpr int mmapThreshold = 256 * 1024;
// How long a cached hook target is trusted when announcements from other instances keep it current.
constexpr std::chrono::seconds clusteredHookTargetAge{30};

int fail(int status, const std::string& message)
{
    std::fprintf(stderr, "corvane-relay: %s\n", message.c_str());
    return status;
}

// The server's limits: the connection caps are what the open-file limit allows, raised as far as it goes.
HttpLimits httpLimits(const RelaySettings& settings)
{
    const auto openFiles = OpenFiles::raiseLimit();
    const auto caps = OpenFiles::capsFor(openFiles, settings.maxConnections);
    std::fprintf(stderr, "corvane-relay: %llu open files: serving up to %u connections, %u per client\n",
        static_cast<unsigned long long>(openFiles), caps.serving, settings.maxConnectionsPerClient);
    return HttpLimits{.maxHeaderBytes = settings.maxHeaderBytes,
        .maxHeaderCount = settings.maxHeaderCount,
        .maxBodyBytes = settings.maxBodyBytes,
        .headerTimeout = settings.headerTimeout,
        .bodyTimeout = settings.bodyTimeout,
        .idleTimeout = settings.idleTimeout,
        .maxConnections = caps.serving,
        .maxConnectionsPerClient = settings.maxConnectionsPerClient,
        .maxRefusing = caps.refusing,
        .maxBufferedBytes = settings.maxBufferedBytes};
}

// The sender table installed with the relay (<prefix>/share/corvane-relay/senders.json beside
// <prefix>/bin), or the copy beside the relay in its build folder.
std::optional<std::string> shippedSenderTable()
{
    std::error_code error;
    const auto folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    for (const auto& candidate : {folder / CORVANE_RELAY_DATA_FOLDER / "senders.json", folder / "senders.json"}) {
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate.lexically_normal().string();
        }
    }
    return std::nullopt;
}

// The operator's table first, so that its events win over the shipped ones.
std::expected<SenderTable, std::string> senderTable(const RelaySettings& settings)
{
    std::vector<std::string> paths;
    if (!settings.suggestSenders.empty()) {
        paths.push_back(settings.suggestSenders);
    }
    if (auto shipped = shippedSenderTable()) {
        paths.push_back(*std::move(shipped));
    } else {
        std::fputs("corvane-relay: no senders.json installed: suggestions know no senders\n", stderr);
    }
    return SenderTable::load(paths);
}

int run(int argc, char** argv)
{
    // Blocks this large get mappings of their own, given back to the system when freed, so that large
    // bodies leave no heap behind. Set explicitly, the threshold stays put instead of rising to the
    // largest block freed so far (glibc's default).
    mallopt(M_MMAP_THRESHOLD, mmapThreshold);
    auto parsed = RelaySettings::fromEnvironmentAndArguments(argc, argv);
    if (!parsed) {
        return fail(2, parsed.error());
    }
    if (parsed->outcome == RelaySettings::Outcome::help) {
        std::fputs(RelaySettings::helpText().c_str(), stdout);
        return 0;
    }
    if (parsed->outcome == RelaySettings::Outcome::version) {
        std::fputs("corvane-relay " CORVANE_RELAY_VERSION "\n", stdout);
        return 0;
    }
    const RelaySettings& settings = parsed->settings;

    boost::system::error_code addressError;
    const auto address = boost::asio::ip::make_address(
        settings.listenHost == "localhost" ? std::string("127.0.0.1") : settings.listenHost, addressError);
    if (addressError) {
        return fail(2, "--listen: \"" + settings.listenHost + "\" is not an IP address");
    }

    if (settings.maxBufferedBytes < settings.maxBodyBytes) {
        return fail(2, "--max-buffered-bytes must be at least --max-body-bytes");
    }

    auto senders = senderTable(settings);
    if (!senders) {
        return fail(2, "sender table: " + senders.error());
    }
    const TemplateSuggester suggester(*std::move(senders));
    std::optional<ModelSuggester> model;
    if (!settings.suggestUrl.empty()) {
        model.emplace(
            ModelSettings{settings.suggestUrl, settings.suggestModel, settings.suggestApiKey, settings.suggestTimeout});
    }

    std::fprintf(stderr, "corvane-relay: store: %s\n", StoreFactory::describe(settings.database).c_str());
    auto writerStore = StoreFactory::open(settings.database);
    if (!writerStore) {
        return fail(1, writerStore.error().message);
    }
    const AccountRecord candidateOwner{Secrets::randomId("acc_"), settings.ownerEmail, "self-hosted"};
    auto owner = (*writerStore)->ensureAccount(candidateOwner, TimeText::now());
    if (!owner) {
        return fail(1, "cannot create the owner account: " + owner.error().message);
    }
    // The reader serves the I/O thread, which must not wait long for a lost database.
    auto readerStore = StoreFactory::open(settings.database, StoreFactory::Waiting::brief);
    auto answerStore = StoreFactory::open(settings.database);
    if (!readerStore || !answerStore) {
        return fail(1, (readerStore ? answerStore : readerStore).error().message);
    }

    // Outlives the queue: the writer's connection reports its commits to it.
    std::unique_ptr<WalCheckpointer> checkpointer;
    if (auto* sqlite = dynamic_cast<SqliteStore*>(writerStore->get())) {
        auto opened = WalCheckpointer::open(settings.database);
        if (!opened) {
            return fail(1, opened.error().message);
        }
        checkpointer = *std::move(opened);
        if (auto observed = sqlite->observeWal(*checkpointer); !observed) {
            return fail(1, "cannot turn off automatic WAL checkpoints: " + observed.error().message);
        }
    }

    Metrics metrics;
    CommitQueue queue(*std::move(writerStore), metrics);
    boost::asio::io_context context(1);

    RouterSettings routerSettings;
    routerSettings.owner = *owner;
    routerSettings.signIn = SignInPolicy{
        settings.apiToken, settings.ownerEmail, settings.redirectUris, address.is_loopback(), settings.codeLifetime};
    routerSettings.maxJsonDepth = settings.maxJsonDepth;
    routerSettings.maxFormFields = settings.maxFormFields;
    routerSettings.rateLimit = settings.rateLimit;
    routerSettings.rateBurst = settings.rateBurst;
    routerSettings.discard = settings.discard;
    routerSettings.suggester = &suggester;
    routerSettings.model = model ? &*model : nullptr;
    RequestLog requestLog(context.get_executor(), stderr);
    WorkerThread worker;
    // Instances on one PostgreSQL database tell each other of their changes; alone, nobody is told.
    std::optional<PostgresBroadcast> broadcast;
    if (StoreFactory::isPostgres(settings.database)) {
        broadcast.emplace(settings.database, context.get_executor());
        routerSettings.broadcast = &*broadcast;
        routerSettings.hookTargetAge = clusteredHookTargetAge;
    }
    ChangeVersions versions(settings.maxChangeWaiters, broadcast ? &*broadcast : nullptr);
    Router router(
        **readerStore, **answerStore, worker, queue, metrics, requestLog, versions, std::move(routerSettings));
    ReceivedChanges received(versions, router.hookTargets());
    if (broadcast) {
        broadcast->start(received);
    }

    HttpServer server(context, router, httpLimits(settings));
    const auto bound = server.listen({address, settings.listenPort});
    if (!bound) {
        return fail(1, bound.error());
    }
    RetentionPruner pruner(
        context, queue, versions, settings.retentionCount, settings.retentionAge, settings.pruneInterval);

    boost::asio::signal_set signals(context, SIGTERM, SIGINT);
    signals.async_wait([&](const boost::system::error_code& error, int number) {
        if (!error) {
            std::fprintf(stderr, "corvane-relay: signal %d, finishing requests in flight\n", number);
            server.stop();
            pruner.stop();
        }
    });

    const std::string host
        = bound->address().is_v6() ? "[" + bound->address().to_string() + "]" : bound->address().to_string();
    std::printf("corvane-relay listening on http://%s:%u\n", host.c_str(), unsigned(bound->port()));
    std::fflush(stdout);
    server.start();
    pruner.start();
    context.run();
    std::fprintf(stderr, "corvane-relay: stopped\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "corvane-relay: %s\n", error.what());
    } catch (...) {
        std::fputs("corvane-relay: unexpected failure\n", stderr);
    }
    return 1;
}
