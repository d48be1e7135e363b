-- Posts a 1 KiB JSON webhook on every request.
-- Optional: RELAY_DELAY_MS paces each connection (wrk has no fixed rate; connections x pacing sets it);
-- RELAY_STOP_AFTER stops the (single) thread after that many responses; RELAY_SIGNATURE is sent as
-- X-Hub-Signature-256.
local filler = string.rep("x", 1024 - 86)
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/json"
wrk.body = '{"event":"deploy","status":"succeeded","service":"api","revision":"4f2a9c1","note":"' .. filler .. '"}'

local signature = os.getenv("RELAY_SIGNATURE")
if signature then
    wrk.headers["X-Hub-Signature-256"] = signature
end

local pacing = tonumber(os.getenv("RELAY_DELAY_MS") or "")
local stopAfter = tonumber(os.getenv("RELAY_STOP_AFTER") or "")
local answered = 0

if pacing then
    function delay()
        return pacing
    end
end

function response(status, headers, body)
    if status ~= 202 then
        wrk.thread:stop()
    end
    answered = answered + 1
    if stopAfter and answered >= stopAfter then
        wrk.thread:stop()
    end
end
