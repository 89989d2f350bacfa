#!/usr/bin/env bash
# Drives the PortAudio device layer through a real sound server: a private PulseAudio server
# with a null sink "out" (captured from its monitor) and a 440 Hz sine source as the default
# input, started for this run only and stopped at the end whatever happens.
# Usage: bash tests/scripts/pulseaudio_backend.sh <build>/bin
set -uo pipefail

bin=${1:?usage: pulseaudio_backend.sh <build>/bin}
tests="$bin/tqx_audio_tests"
[[ -x "$tests" ]] || { echo "missing $tests" >&2; exit 1; }
for tool in pulseaudio pactl parec; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

scratch=$(mktemp -d)
export PULSE_RUNTIME_PATH="$scratch/runtime"
export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
# The server keeps its cookie and state under HOME; a private one leaves the user's alone.
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config"
unset XDG_RUNTIME_DIR DISPLAY
mkdir -p "$PULSE_RUNTIME_PATH" "$XDG_CONFIG_HOME"

stop_server() {
  if [[ -f "$PULSE_RUNTIME_PATH/pid" ]]; then
    local pid
    pid=$(head -n1 "$PULSE_RUNTIME_PATH/pid")
    timeout 10 pulseaudio --kill >/dev/null 2>&1 || true
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null
  fi
  rm -rf "$scratch"
}
trap stop_server EXIT

# Running as root, PulseAudio only warns; it needs no extra flag for a per-user server.
if ! timeout 20 pulseaudio -n --daemonize=yes --exit-idle-time=-1 --disallow-exit \
    --log-target="file:$scratch/pulseaudio.log" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$PULSE_RUNTIME_PATH/native" \
    --load="module-null-sink sink_name=out norewinds=1" \
    --load="module-sine-source source_name=sine rate=44100 frequency=440"; then
  echo "pulseaudio did not start:" >&2
  cat "$scratch/pulseaudio.log" >&2 2>/dev/null
  exit 1
fi

ready=0
for _ in $(seq 100); do
  if timeout 5 pactl info >/dev/null 2>&1; then ready=1; break; fi
  sleep 0.1
done
if [[ $ready -ne 1 ]]; then
  echo "pulseaudio does not answer" >&2
  cat "$scratch/pulseaudio.log" >&2 2>/dev/null
  exit 1
fi
timeout 5 pactl set-default-sink out
timeout 5 pactl set-default-source sine

timeout 300 "$tests" --gtest_filter='PortAudioLive*' 2>&1 | grep -v -E '^(ALSA lib|Cannot connect to server|jack server|JackShm)'
status=${PIPESTATUS[0]}
if [[ $status -ne 0 ]]; then
  echo "PortAudio tests failed ($status)" >&2
  exit 1
fi
# The program's own command-line transport: playing, recording and overdubbing.
timeout 300 "$bin/tqx_cli_tests" --gtest_filter='ToolsLive*' 2>&1 | grep -v -E '^(ALSA lib|Cannot connect to server|jack server|JackShm)'
status=${PIPESTATUS[0]}
if [[ $status -ne 0 ]]; then
  echo "tool tests failed ($status)" >&2
  exit 1
fi
# The master-volume library against the same server's mixer.
timeout 60 "$bin/tqx_engine_tests" --gtest_filter='*CorvaneLive*' 2>&1 | grep -v -E '^(ALSA lib)'
status=${PIPESTATUS[0]}
if [[ $status -ne 0 ]]; then
  echo "master volume tests failed ($status)" >&2
  exit 1
fi
exit 0
