#!/usr/bin/env bash
# Starts or stops the real SOCKS servers the socket library's tests talk to, on loopback:
#   dante (SOCKS 4 and 5 without authentication) on ZS_SOCKS_DANTE_PORT,
#   microsocks (SOCKS 5 without authentication) on ZS_SOCKS_OPEN_PORT,
#   microsocks (SOCKS 5 with user "zsuser", password "zspass") on ZS_SOCKS_AUTH_PORT.
# Usage: socks-servers.sh start|stop <state folder>. Idempotent: start first stops what a
# previous run left behind; stop kills only the processes whose ids it recorded.
set -u
action="$1"; dir="$2"
mkdir -p "$dir"
DANTE_PORT="${ZS_SOCKS_DANTE_PORT:-41080}"
OPEN_PORT="${ZS_SOCKS_OPEN_PORT:-41081}"
AUTH_PORT="${ZS_SOCKS_AUTH_PORT:-41082}"

stop_all() {
  for f in "$dir"/*.pid; do
    [ -f "$f" ] || continue
    pid="$(cat "$f" 2>/dev/null)"
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null
      for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null
    fi
    rm -f "$f"
  done
}

wait_listen() {  # port: waits up to 5 s for a listener
  for _ in $(seq 1 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
    sleep 0.1
  done
  echo "socks-servers: nothing listens on port $1" >&2
  return 1
}

case "$action" in
  start)
    stop_all
    command -v danted >/dev/null || { echo "socks-servers: danted is missing (scripts/setup installs dante-server)" >&2; exit 1; }
    command -v microsocks >/dev/null || { echo "socks-servers: microsocks is missing (scripts/setup installs it)" >&2; exit 1; }
    cat > "$dir/sockd.conf" <<CONF
logoutput: $dir/sockd.log
internal: 127.0.0.1 port = $DANTE_PORT
external: 127.0.0.1
clientmethod: none
socksmethod: none
user.unprivileged: nobody
client pass {
  from: 127.0.0.0/8 to: 0.0.0.0/0
  log: error connect
}
socks pass {
  from: 127.0.0.0/8 to: 0.0.0.0/0
  command: connect bind udpassociate bindreply udpreply
  log: error connect
}
CONF
    danted -f "$dir/sockd.conf" -D -p "$dir/danted.pid" || exit 1
    microsocks -i 127.0.0.1 -p "$OPEN_PORT" >"$dir/microsocks-open.log" 2>&1 </dev/null &
    echo $! > "$dir/microsocks-open.pid"
    microsocks -i 127.0.0.1 -p "$AUTH_PORT" -u zsuser -P zspass >"$dir/microsocks-auth.log" 2>&1 </dev/null &
    echo $! > "$dir/microsocks-auth.pid"
    wait_listen "$DANTE_PORT" && wait_listen "$OPEN_PORT" && wait_listen "$AUTH_PORT" || { stop_all; exit 1; }
    ;;
  stop)
    stop_all
    ;;
  *)
    echo "usage: $0 start|stop <folder>" >&2; exit 2;;
esac
