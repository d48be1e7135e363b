# Shared by the relay benchmarks (sourced): starting and stopping a relay, signing in, creating a
# listener. The caller sets relay (the binary) and work (a temporary folder).

pid=""
started=()

# Stops every relay started, if any.
stop_relay() {
    local each
    for each in "${started[@]}"; do
        kill -TERM "${each}" 2>/dev/null || true
        wait "${each}" 2>/dev/null || true
    done
    started=()
    pid=""
}
# start_relay NAME [flags...]: a relay on a free loopback port with its own database (or the one
# ${database} names, when set); sets pid and base.
start_relay() {
    local name=$1
    shift
    taskset -c 0 "${relay}" --listen 127.0.0.1:0 --database "${database:-${work}/${name}.sqlite3}" --rate-limit 0 "$@" \
        >"${work}/${name}.out" 2>/dev/null &
    pid=$!
    started+=("${pid}")
    for _ in $(seq 100); do
        grep -q listening "${work}/${name}.out" 2>/dev/null && break
        sleep 0.1
    done
    base=$(grep -o 'http://127\.0\.0\.1:[0-9]*' "${work}/${name}.out")
}

# Signs in through the relay's own page (PKCE) and prints the API key.
sign_in() {
    local verifier challenge code
    verifier=$(head -c 64 /dev/urandom | base64 -w0 | tr '+/' '-_' | tr -d '=')
    challenge=$(printf %s "${verifier}" | openssl dgst -sha256 -binary | base64 | tr '+/' '-_' | tr -d '=')
    code=$(curl -s \
        -d "client_id=client_01HZX8K3M4N5P6Q7R8S9T0V1WX&redirect_uri=corvane%3A%2F%2Fauth%2Fcallback" \
        -d "response_type=code&code_challenge=${challenge}&code_challenge_method=S256" \
        "${base}/user_management/authorize" | sed -n 's/.*url=corvane:[^"]*code=\([A-Za-z0-9_-]*\).*/\1/p')
    curl -s -d "{\"code\":\"${code}\",\"code_verifier\":\"${verifier}\"}" "${base}/auth/callback" \
        | sed 's/.*"api_key":"\([^"]*\)".*/\1/'
}

# Creates a listener and prints its hook path.
hook_path() {
    curl -s -H "Authorization: Bearer $1" -d '{"name":"Bench"}' "${base}/listeners/" \
        | sed 's/.*"hook_path":"\([^"]*\)".*/\1/'
}
