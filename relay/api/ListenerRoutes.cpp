#include "api/ListenerRoutes.h"

#include "api/VerificationJson.h"
#include "common/RequestParsing.h"
#include "common/Secrets.h"
#include "store/TimeText.h"

namespace corvane::relay {
namespace {

constexpr std::size_t tokenBytes = 24;

HttpResponse unavailable()
{
    return HttpResponse::error(503, "the database is unavailable");
}

HttpResponse notFound()
{
    return HttpResponse::error(404, "no such listener");
}

HttpResponse secretRequired()
{
    return HttpResponse::error(400, "verification.secret is required");
}

nlohmann::json answer(const ListenerRecord& record)
{
    auto json = record.listener.toJson();
    if (record.verification) {
        json["verification"] = VerificationJson::answer(*record.verification);
    }
    return json;
}

// Reads the members a create or update may send into `changes`; fails with the 400 to answer.
std::expected<ListenerChanges, HttpResponse> changesOf(const nlohmann::json& object)
{
    ListenerChanges changes;
    if (const auto name = object.find("name"); name != object.end()) {
        if (!name->is_string() || name->get_ref<const std::string&>().empty()) {
            return std::unexpected(HttpResponse::error(400, "name must be a non-empty string"));
        }
        changes.name = name->get<std::string>();
    }
    if (const auto description = object.find("description"); description != object.end()) {
        if (description->is_null()) {
            changes.description.emplace(std::nullopt);
        } else if (description->is_string()) {
            changes.description.emplace(description->get<std::string>());
        } else {
            return std::unexpected(HttpResponse::error(400, "description must be a string or null"));
        }
    }
    if (const auto config = object.find("notification_config"); config != object.end()) {
        if (config->is_null()) {
            changes.notificationConfig.emplace();
        } else {
            auto decoded = NotificationConfig::fromJson(*config);
            if (!decoded) {
                return std::unexpected(
                    HttpResponse::error(400, "notification_config: " + decoded.error().description()));
            }
            changes.notificationConfig = *std::move(decoded);
        }
    }
    if (const auto enabled = object.find("is_enabled"); enabled != object.end()) {
        if (!enabled->is_boolean()) {
            return std::unexpected(HttpResponse::error(400, "is_enabled must be true or false"));
        }
        changes.isEnabled = enabled->get<bool>();
    }
    if (const auto verification = object.find("verification"); verification != object.end()) {
        auto settings = VerificationJson::settings(*verification);
        if (!settings) {
            return std::unexpected(settings.error());
        }
        changes.verification = *std::move(settings);
    }
    return changes;
}

} // namespace

ListenerRoutes::ListenerRoutes(Store& reader, CommitQueue& queue, HookTargets& targets, ChangeVersions& versions,
    int maxJsonDepth, const TemplateSuggester& suggester, ModelSuggester* model)
    : m_reader(reader), m_queue(queue), m_targets(targets), m_versions(versions), m_maxJsonDepth(maxJsonDepth),
      m_suggester(suggester), m_model(model)
{
}

HttpResponse ListenerRoutes::list(const Caller& caller)
{
    auto listeners = m_reader.listeners(caller.account.id);
    if (!listeners) {
        return unavailable();
    }
    auto json = nlohmann::json::array();
    for (const auto& listener : *listeners) {
        json.push_back(answer(listener));
    }
    return HttpResponse::json(200, {{"listeners", std::move(json)}});
}

boost::asio::awaitable<HttpResponse> ListenerRoutes::create(const Caller& caller, const HttpRequest& request)
{
    auto body = RequestParsing::jsonObject(request, m_maxJsonDepth);
    if (!body) {
        co_return body.error();
    }
    auto changes = changesOf(*body);
    if (!changes) {
        co_return changes.error();
    }
    auto& name = changes->name;
    if (!name) {
        co_return HttpResponse::error(400, "name is required");
    }
    auto verification = changes->verification.value_or(std::nullopt);
    if (verification && verification->secret.empty()) {
        co_return secretRequired();
    }
    NewListener listener;
    listener.id = Secrets::randomId("lst_");
    listener.accountId = caller.account.id;
    listener.token = Secrets::randomToken(tokenBytes);
    listener.name = *std::move(name);
    listener.description = changes->description.value_or(std::nullopt);
    listener.isEnabled = changes->isEnabled.value_or(true);
    listener.notificationConfig = changes->notificationConfig.value_or(NotificationConfig{});
    listener.verification = std::move(verification);
    listener.createdAt = TimeText::now();
    const std::string id = listener.id;
    auto createdWork = [listener = std::move(listener)](Store& store) { return store.createListener(listener); };
    auto created = co_await m_queue.submit(std::move(createdWork));
    if (!created) {
        co_return unavailable();
    }
    m_versions.moved(caller.account.id);
    co_return current(caller, id, 201);
}

boost::asio::awaitable<HttpResponse> ListenerRoutes::update(
    const Caller& caller, const HttpRequest& request, std::string id)
{
    auto body = RequestParsing::jsonObject(request, m_maxJsonDepth);
    if (!body) {
        co_return body.error();
    }
    auto changes = changesOf(*body);
    if (!changes) {
        co_return changes.error();
    }
    auto updatedWork = [accountId = caller.account.id, id, changes = *std::move(changes), now = TimeText::now()](
                           Store& store) { return store.updateListener(accountId, id, changes, now); };
    auto updated = co_await m_queue.submit(std::move(updatedWork));
    m_targets.listenersChanged();
    if (!updated) {
        co_return unavailable();
    }
    if (*updated == ListenerUpdate::notFound) {
        co_return notFound();
    }
    if (*updated == ListenerUpdate::secretRequired) {
        co_return secretRequired();
    }
    m_versions.moved(caller.account.id);
    co_return current(caller, id, 200);
}

boost::asio::awaitable<HttpResponse> ListenerRoutes::remove(const Caller& caller, std::string id)
{
    auto removedWork
        = [accountId = caller.account.id, id](Store& store) { return store.deleteListener(accountId, id); };
    auto removed = co_await m_queue.submit(std::move(removedWork));
    m_targets.listenersChanged();
    if (!removed) {
        co_return unavailable();
    }
    if (!*removed) {
        co_return notFound();
    }
    m_versions.moved(caller.account.id);
    co_return HttpResponse::empty(204);
}

boost::asio::awaitable<HttpResponse> ListenerRoutes::suggestTemplate(const HttpRequest& request)
{
    auto body = RequestParsing::jsonObject(request, m_maxJsonDepth);
    if (!body) {
        co_return body.error();
    }
    const auto sample = body->find("sample");
    if (sample == body->end() || !sample->is_object()) {
        co_return HttpResponse::error(400, "sample must be a JSON object (a payload context)");
    }
    if (m_model) {
        auto asking = m_model->suggest(*sample);
        if (const auto suggested = co_await std::move(asking)) {
            co_return HttpResponse::json(200, suggested->toJson());
        }
    }
    co_return HttpResponse::json(200, m_suggester.suggest(*sample).toJson());
}

HttpResponse ListenerRoutes::current(const Caller& caller, const std::string& id, unsigned status)
{
    const auto read = m_reader.listener(caller.account.id, id);
    if (!read) {
        return unavailable();
    }
    const auto& listener = *read;
    if (!listener) {
        return notFound();
    }
    return HttpResponse::json(status, answer(*listener));
}

} // namespace corvane::relay
