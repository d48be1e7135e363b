#pragma once

#include "api/Authenticator.h"
#include "api/ChangeVersions.h"
#include "api/HookTargets.h"
#include "http/HttpRequest.h"
#include "http/HttpResponse.h"
#include "store/CommitQueue.h"
#include "store/Store.h"
#include "suggest/ModelSuggester.h"
#include "suggest/TemplateSuggester.h"

#include <boost/asio/awaitable.hpp>

#include <string>

namespace corvane::relay {

// GET and POST /listeners/, PATCH and DELETE /listeners/<id>, POST /listeners/suggest-template.
class ListenerRoutes {
public:
    // `model`, when there is one, is asked first for suggestions; `suggester` answers when it cannot.
    ListenerRoutes(Store& reader, CommitQueue& queue, HookTargets& targets, ChangeVersions& versions, int maxJsonDepth,
        const TemplateSuggester& suggester, ModelSuggester* model);

    HttpResponse list(const Caller& caller);
    boost::asio::awaitable<HttpResponse> create(const Caller& caller, const HttpRequest& request);
    // Changes only the members sent; an optional member sent as null is cleared.
    boost::asio::awaitable<HttpResponse> update(const Caller& caller, const HttpRequest& request, std::string id);
    // Deletes the listener with every payload it received.
    boost::asio::awaitable<HttpResponse> remove(const Caller& caller, std::string id);
    boost::asio::awaitable<HttpResponse> suggestTemplate(const HttpRequest& request);

private:
    HttpResponse current(const Caller& caller, const std::string& id, unsigned status);

    Store& m_reader;
    CommitQueue& m_queue;
    HookTargets& m_targets;
    ChangeVersions& m_versions;
    int m_maxJsonDepth;
    const TemplateSuggester& m_suggester;
    ModelSuggester* m_model;
};

} // namespace corvane::relay
