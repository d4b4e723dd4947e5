#!/usr/bin/env bash
# Installs what is missing, builds the door lock service and the encoder
# simulator, starts both in ./run/ and issues a guest card over TCP, as the
# hotel's property-management system does. Then reads the card back, shows
# the log and stops both.
#
#   scripts/run-service.sh                  # port 8886
#   PORT=9000 scripts/run-service.sh        # another port
#   KEEP_RUNNING=1 scripts/run-service.sh   # leave service and simulator running
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
port=${PORT:-8886}

scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build --target NorvikDoorLockd en24-sim make-client-mdb

# The service takes its settings, database and log from its own folder.
run="$root/run"
rm -rf "$run"
mkdir -p "$run"
cp build/bin/NorvikDoorLockd "$run/"
cp -P build/bin/libEN24_C1.so* "$run/"
printf '[DoorlockOption]\r\nPortName=COM1\r\nHotelID=1\r\nCurrentCardNo=1\r\n[SysOption]\r\nDoorlockPortNo=%s\r\n' \
  "$port" > "$run/Option.ini"
build/bin/make-client-mdb "$run/Client.mdb"

sim_pid=""
service_pid=""
stop_all() {
  [ -n "$service_pid" ] && kill -TERM "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill -TERM "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
}
trap stop_all EXIT

# The simulated encoder with a blank card on it; COM1 of the library is it.
build/bin/en24-sim --link "$run/COM1" --card FFFFFFFFFFFFFFFFFFFFFFFF </dev/null >"$run/en24-sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -s "$run/en24-sim.out" ] && break; sleep 0.1; done
export EN24_COM1="$run/COM1"

"$run/NorvikDoorLockd" >"$run/NorvikDoorLockd.out" 2>&1 &
service_pid=$!
# The start line comes just before the port is taken; a port in use ends
# the program at once.
for _ in $(seq 50); do [ -s "$run/NorvikDoorLockd.out" ] && break; sleep 0.1; done
sleep 0.3
for _ in $(seq 50); do
  kill -0 "$service_pid" 2>/dev/null || break
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done
if ! kill -0 "$service_pid" 2>/dev/null; then
  echo "NorvikDoorLockd did not start:" >&2
  cat "$run/NorvikDoorLockd.out" >&2
  echo "(another port: PORT=<number> $0)" >&2
  exit 1
fi
echo "NorvikDoorLockd: $(head -n1 "$run/NorvikDoorLockd.out") (port $port, folder $run)"

# One request per connection: the XML text and a 0x00 byte; the answer ends
# with a 0x00 byte too, then the service closes the connection.
request() {
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  printf '%s\0' "$1" >&3
  tr -d '\0' <&3
  exec 3<&-
  echo
}

issue='<DoorRequest type="IssueCard"><RequestID>1</RequestID><RegisterId>R0001</RegisterId><RoomBuildingCode>0</RoomBuildingCode><RoomFloorCode>01</RoomFloorCode><RoomNo>101</RoomNo><GuestName>Test Guest</GuestName><CheckInDate>2008-06-20</CheckInDate><CheckInTime>14:30:00</CheckInTime><CheckOutDate>2008-06-22</CheckOutDate><CheckOutTime>12:00:00</CheckOutTime><IsCopy>False</IsCopy></DoorRequest>'
echo
echo "IssueCard request:"
echo "  $issue"
echo "Answer:"
echo "  $(request "$issue")"
echo "ReadCard answer (the card now on the encoder):"
echo "  $(request '<DoorRequest type="ReadCard"/>')"
echo
log=$(ls "$run"/*.LOG)
echo "Log: $log"
sed 's/^/  /' "$log"
echo "Card counter: $(grep -a CurrentCardNo "$run/Option.ini" | tr -d '\r')"

if [ "${KEEP_RUNNING:-0}" = 1 ]; then
  trap - EXIT
  echo
  echo "Still running: NorvikDoorLockd (pid $service_pid) on port $port, en24-sim (pid $sim_pid)."
  echo "Stop them with: kill $service_pid $sim_pid"
else
  stop_all
  trap - EXIT
  echo
  echo "Stopped: $(tail -n1 "$run/NorvikDoorLockd.out")"
fi
