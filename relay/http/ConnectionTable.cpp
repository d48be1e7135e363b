#include "http/ConnectionTable.h"

#include <algorithm>

namespace corvane::relay {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

ConnectionTable::ConnectionTable(const HttpLimits& limits)
    : m_maxServing(limits.maxConnections), m_maxPerClient(limits.maxConnectionsPerClient),
      m_maxRefusing(limits.maxRefusing)
{
}

bool ConnectionTable::roomFor(const std::string& client)
{
    const auto counted = m_servingPerClient.find(client);
    const bool clientFull
        = m_maxPerClient > 0 && counted != m_servingPerClient.end() && counted->second >= m_maxPerClient;
    if (!clientFull && m_serving < m_maxServing) {
        return true;
    }
    Connection* oldest = nullptr;
    for (auto* connection : m_connections) {
        if (connection->role == Role::serving && connection->awaitingFirstHead
            && (!clientFull || connection->client == client)
            && (oldest == nullptr || connection->accepted < oldest->accepted)) {
            oldest = connection;
        }
    }
    if (oldest == nullptr) {
        return false;
    }
    oldest->leave();
    boost::system::error_code ignored;
    oldest->socket.close(ignored);
    return true;
}

bool ConnectionTable::canRefuse() const
{
    return m_refusing < m_maxRefusing;
}

std::string ConnectionTable::clientOf(const tcp::endpoint& remote)
{
    const auto address = remote.address();
    if (!address.is_v6()) {
        return address.to_string();
    }
    const auto version6 = address.to_v6();
    if (version6.is_v4_mapped()) {
        return asio::ip::make_address_v4(asio::ip::v4_mapped, version6).to_string();
    }
    auto bytes = version6.to_bytes();
    std::fill(bytes.begin() + 8, bytes.end(), 0);
    return asio::ip::address_v6(bytes).to_string() + "/64";
}

ConnectionTable::Connection::Connection(ConnectionTable& owner, tcp::socket connected, std::string clientKey,
    Role connectionRole, std::chrono::steady_clock::duration firstDeadline)
    : table(owner), socket(std::move(connected)), client(std::move(clientKey)), role(connectionRole),
      deadline(accepted + firstDeadline)
{
    boost::system::error_code ignored;
    remoteAddress = socket.remote_endpoint(ignored).address().to_string();
    if (role == Role::serving) {
        ++table.m_servingPerClient[client];
        ++table.m_serving;
    } else {
        ++table.m_refusing;
    }
    table.m_connections.insert(this);
}

ConnectionTable::Connection::~Connection()
{
    leave();
    table.m_connections.erase(this);
    boost::system::error_code ignored;
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
}

void ConnectionTable::Connection::leave()
{
    if (role == Role::serving) {
        --table.m_serving;
        const auto counted = table.m_servingPerClient.find(client);
        if (--counted->second == 0) {
            table.m_servingPerClient.erase(counted);
        }
    } else if (role == Role::refusing) {
        --table.m_refusing;
    }
    role = Role::gone;
}

void ConnectionTable::Connection::hold()
{
    if (role == Role::serving) {
        leave();
        role = Role::holding;
    }
}

bool ConnectionTable::Connection::resume()
{
    if (role != Role::holding) {
        return role == Role::serving;
    }
    const auto counted = table.m_servingPerClient.find(client);
    if (table.m_serving >= table.m_maxServing
        || (table.m_maxPerClient > 0 && counted != table.m_servingPerClient.end()
            && counted->second >= table.m_maxPerClient)) {
        return false;
    }
    ++table.m_servingPerClient[client];
    ++table.m_serving;
    role = Role::serving;
    return true;
}

} // namespace corvane::relay
