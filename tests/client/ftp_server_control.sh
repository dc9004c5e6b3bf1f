# Starting and stopping the loopback FTP server from bash; sourced by the
# client test, the end-to-end test and scripts/demo.
#
#   start_ftp_server ROOT PORT LOGFILE   (PORT 0: a free one)
#     sets FTP_SERVER_PID and FTP_SERVER_PORT, returns non-zero on failure
#   stop_ftp_server

FTP_SERVER_SCRIPT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/ftp_server.py"
FTP_SERVER_PID=""
FTP_SERVER_PORT=""
FTP_SERVER_USER="${FTP_SERVER_USER:-demo}"
FTP_SERVER_PASSWORD="${FTP_SERVER_PASSWORD:-demo}"

start_ftp_server() {
    local root="$1" port="$2" log="$3"
    local portfile="$log.port"
    rm -f "$portfile"
    /usr/bin/python3 "$FTP_SERVER_SCRIPT" --root "$root" --port "$port" \
        --user "$FTP_SERVER_USER" --password "$FTP_SERVER_PASSWORD" --log "$log" \
        >"$portfile" 2>>"$log.err" &
    FTP_SERVER_PID=$!
    local deadline=$((SECONDS + 15))
    while [ $SECONDS -lt $deadline ]; do
        if [ -s "$portfile" ] && FTP_SERVER_PORT=$(head -n 1 "$portfile") && [ -n "$FTP_SERVER_PORT" ]; then
            return 0
        fi
        if ! kill -0 "$FTP_SERVER_PID" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    echo "ftp server did not start:" >&2
    cat "$log.err" >&2 2>/dev/null
    stop_ftp_server
    return 1
}

stop_ftp_server() {
    if [ -n "$FTP_SERVER_PID" ]; then
        kill "$FTP_SERVER_PID" 2>/dev/null
        wait "$FTP_SERVER_PID" 2>/dev/null
        FTP_SERVER_PID=""
    fi
}
