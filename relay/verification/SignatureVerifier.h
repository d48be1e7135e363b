#pragma once

#include "verification/VerificationSettings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane::relay {

// What checking one request's signature found.
struct VerificationOutcome {
    bool verified = false;
    // Why it failed, one of the texts below; empty when verified.
    std::string_view reason;
    // The webhook-id of a request verified under the standard scheme, by which a retry is recognised.
    std::optional<std::string> webhookId;
};

// Checks a request against a listener's verification settings: an HMAC of the raw body (and, for the
// timed schemes, of the timestamp sent with it) computed with the shared secret and compared in
// constant time with the signatures the request carries. Pure: no I/O, the clock is passed in.
//
// - github: X-Hub-Signature-256 is "sha256=" and the hex HMAC-SHA256 of the body.
// - stripe: Stripe-Signature is "t=<seconds>,v1=<hex>[,v1=<hex>…]", the HMAC-SHA256 of "<t>.<body>".
// - standard (Standard Webhooks): webhook-id, webhook-timestamp and webhook-signature, a space-separated
//   list of "v1,<base64>" of the HMAC-SHA256 of "<id>.<timestamp>.<body>" keyed by the base64 after
//   the secret's "whsec_".
// - slack: X-Slack-Request-Timestamp, and X-Slack-Signature "v0=" and the hex HMAC-SHA256 of
//   "v0:<timestamp>:<body>".
// - hmac: the configured header is the prefix and the body's HMAC in the configured algorithm and
//   encoding.
// Hex digits compare in either case. A timestamp more than toleranceSeconds away from now fails.
class SignatureVerifier {
public:
    static constexpr std::int64_t toleranceSeconds = 300;

    static constexpr std::string_view missingSignature = "missing signature header";
    static constexpr std::string_view missingTimestamp = "missing timestamp header";
    static constexpr std::string_view malformedSignature = "malformed signature header";
    static constexpr std::string_view outsideTolerance = "timestamp outside the tolerance";
    static constexpr std::string_view noMatch = "signature does not match";
    static constexpr std::string_view missingWebhookId = "missing webhook-id header";

    using Headers = std::vector<std::pair<std::string, std::string>>;

    explicit SignatureVerifier(const VerificationSettings& settings);

    // `headers` have lower-case names; the first field of a name counts.
    VerificationOutcome verify(const Headers& headers, std::string_view body, std::int64_t nowSeconds) const;

    // The HMAC key of a standard secret: the bytes the base64 after "whsec_" encodes; nothing when the
    // secret is not of that form or encodes no bytes.
    static std::optional<std::string> standardKey(std::string_view secret);

private:
    VerificationOutcome verifyGithub(const Headers& headers, std::string_view body) const;
    VerificationOutcome verifyStripe(const Headers& headers, std::string_view body, std::int64_t nowSeconds) const;
    VerificationOutcome verifyStandard(const Headers& headers, std::string_view body, std::int64_t nowSeconds) const;
    VerificationOutcome verifySlack(const Headers& headers, std::string_view body, std::int64_t nowSeconds) const;
    VerificationOutcome verifyHmac(const Headers& headers, std::string_view body) const;

    const VerificationSettings& m_settings;
};

} // namespace corvane::relay
