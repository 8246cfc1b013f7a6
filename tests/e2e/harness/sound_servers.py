"""Private sound servers: a PulseAudio daemon, or PipeWire with WirePlumber
and pipewire-pulse, each with one 48 kHz null sink, in a scratch directory
and a process group of its own. Both speak the PulseAudio protocol, so
pactl and parec inspect and record either; PulseAudio's sink may instead be
a pipe sink, whose FIFO the test reads itself. A socket-activated server
runs as under systemd: the test listens on the daemon's socket and hands it
(LISTEN_FDS, fd 3) to each daemon it starts, 0.7 s later."""
import array
import contextlib
import os
import select
import shlex
import signal
import socket
import subprocess
import threading
import time
from pathlib import Path

from .checks import Failure, Service, report, wait_until
from .signal_analysis import SINK_RATE

SINK = "e2e_sink"
START_TIMEOUT = 20.0
# A daemon restarted by systemd answers on its socket about this much later.
ACTIVATION_DELAY = 0.7


class SoundServer(Service):
    """Base: the scratch layout, the client environment and the stop."""

    name = None  # SDL's driver name for this server

    def __init__(self, scratch, socket_activated=False, activation_delay=ACTIVATION_DELAY):
        self.socket_activated = socket_activated
        self.activation_delay = activation_delay
        self.listener = None
        self.scratch = Path(scratch)
        self.runtime, self.home, self.config = (self.scratch / name for name in ("run", "home", "config"))
        for directory in (self.runtime, self.home, self.config):
            directory.mkdir(mode=0o700, parents=True, exist_ok=True)
        self.log_path = self.scratch / f"{self.name}.log"
        self.process = None

    def socket(self):
        raise NotImplementedError

    def activated_socket(self):
        """The socket a socket-activated server is handed."""
        return self.socket()

    def hold_socket(self):
        """Listens on the activated socket, as systemd does before the
        daemon runs; a no-op once listening."""
        if self.listener is None:
            path = self.activated_socket()
            path.unlink(missing_ok=True)
            self.listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            self.listener.bind(str(path))
            self.listener.listen(64)

    def release_socket(self):
        if self.listener is not None:
            self.listener.close()
            self.listener = None

    def client_env(self):
        """What a client needs to reach this server and nothing else."""
        return {"PULSE_SERVER": "unix:" + str(self.socket()), "XDG_RUNTIME_DIR": str(self.runtime),
                "PIPEWIRE_RUNTIME_DIR": str(self.runtime), "PIPEWIRE_REMOTE": "pipewire-0",
                "HOME": str(self.home), "XDG_CONFIG_HOME": str(self.config)}

    def _daemon_env(self):
        # No DISPLAY: no X11 bell or autolaunch from the daemons.
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("PULSE_", "PIPEWIRE_", "DBUS_", "XDG_")) and key != "DISPLAY"}
        return dict(env, HOME=str(self.home), XDG_RUNTIME_DIR=str(self.runtime), XDG_CONFIG_HOME=str(self.config))

    def _spawn(self, argv):
        """Starts the daemon; socket-activated, after its activation delay with the
        socket held all along and handed over as fd 3."""
        handed = None
        if self.socket_activated:
            self.hold_socket()
            time.sleep(self.activation_delay)  # the activator's own pace, not a wait for the daemon
            listening = self.listener.fileno()

            def handed():
                os.dup2(listening, 3)
                os.set_inheritable(3, True)  # dup2 onto itself keeps close-on-exec
        with self.log_path.open("wb") as log:
            self.process = subprocess.Popen(argv, env=self._daemon_env(), cwd=self.scratch, stdin=subprocess.DEVNULL,
                                            stdout=log, stderr=subprocess.STDOUT, start_new_session=True,
                                            preexec_fn=handed, close_fds=handed is None)

    def _activated(self, argv):
        """argv run as the process LISTEN_PID names, when socket-activated."""
        return ["sh", "-c", 'LISTEN_PID=$$ LISTEN_FDS=1 exec "$@"', "sh", *argv] if self.socket_activated else argv

    def record(self, path):
        """Starts recording what the sink plays into `path`."""
        return MonitorRecording(self, path)

    def pactl(self, *args):
        """The stripped lines pactl prints; no lines when it fails."""
        result = subprocess.run(["pactl", *args], env=dict(os.environ, **self.client_env()), capture_output=True,
                                text=True, timeout=10.0)
        return [line.strip() for line in result.stdout.splitlines()] if result.returncode == 0 else []

    def _wait_for_sink(self):
        def ready():
            if self.process.poll() is not None:
                raise Failure(f"{self.name} exited with status {self.process.returncode}: {self.log_tail()}")
            return self.sink_rate() is not None
        wait_until(ready, START_TIMEOUT, f"{self.name}'s null sink")

    def sink_rate(self):
        for fields in (line.split("\t") for line in self.pactl("list", "sinks", "short")):
            if len(fields) >= 4 and fields[1] == SINK:
                return int(fields[3].split()[-1].rstrip("Hz"))
        return None

    def clients(self):
        """application.name of every client the server lists now."""
        return [line.split("=", 1)[1].strip().strip('"') for line in self.pactl("list", "clients")
                if line.startswith("application.name = ")]

    def wait_for_client(self, client, present=True, what="among the server's clients"):
        wait_until(lambda: (client in self.clients()) == present, 10.0, f"{client} {what}")

    def sink_inputs(self):
        """One dict per playing stream: its properties and the latencies the
        server reports, in microseconds."""
        inputs = []
        for line in self.pactl("list", "sink-inputs"):
            if line.startswith("Sink Input #"):
                inputs.append({})
            elif inputs and line.startswith(("Buffer Latency:", "Sink Latency:")):
                key, value = line.split(":", 1)
                inputs[-1][key] = float(value.split()[0])
            elif inputs and " = " in line:
                key, value = line.split(" = ", 1)
                inputs[-1][key] = value.strip('"')
        return inputs

    def raise_realtime_threads(self, priority):
        """Puts every realtime thread of the daemons at SCHED_FIFO
        `priority`, so that they keep their own time through stalls below
        it. Returns how many there were."""
        raised = 0
        for stat in Path("/proc").glob("[0-9]*/task/[0-9]*/stat"):
            with contextlib.suppress(OSError, ValueError):
                fields = stat.read_text().rsplit(")", 1)[1].split()
                tid = int(stat.parent.name)
                if int(fields[2]) == self.process.pid and \
                        os.sched_getscheduler(tid) & ~os.SCHED_RESET_ON_FORK in (os.SCHED_FIFO, os.SCHED_RR):
                    os.sched_setscheduler(tid, os.SCHED_FIFO, os.sched_param(priority))
                    raised += 1
        return raised

    def log_tail(self):
        lines = self.log_path.read_text(errors="replace").splitlines() if self.log_path.exists() else []
        return "\n".join(lines[-10:])

    def report_failure(self):
        report("server log (last lines)", [self.log_tail()])

    def stop(self, first=signal.SIGTERM, release_socket=True):
        """Ends the daemon's whole process group, politely first unless told
        to kill it outright; a restart keeps an activated socket."""
        if release_socket:
            self.release_socket()
        if self.process is None:
            return
        try:
            os.killpg(self.process.pid, first)
            self.process.wait(5.0)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            pass
        # What is left in the group (pipewire-pulse under the bus session,
        # say) goes with it.
        with contextlib.suppress(ProcessLookupError):
            os.killpg(self.process.pid, signal.SIGKILL)
        self.process.wait()
        self.process = None


class PulseAudioServer(SoundServer):
    """pulseaudio -n with a config of its own; as root it warns that it is
    not meant to run so, and runs."""

    name = "pulseaudio"

    def __init__(self, scratch, pipe_sink=False, **options):
        super().__init__(scratch, **options)
        self.pipe_sink = pipe_sink

    def socket(self):
        return self.scratch / "pulse.sock"

    def fifo(self):
        return self.scratch / "sink.fifo"

    def record(self, path):
        return PipeRecording(self.fifo(), path) if self.pipe_sink else super().record(path)

    def start(self):
        script = self.scratch / "default.pa"
        # The pipe sink writes mono at the pace of the system clock.
        sink = (f"load-module module-pipe-sink file={self.fifo()} use_system_clock_for_timing=yes channels=1"
                if self.pipe_sink else "load-module module-null-sink channels=2")
        script.write_text(
            f"{sink} sink_name={SINK} rate={SINK_RATE} format=s16le\n"
            f"load-module module-native-protocol-unix socket={self.socket()} auth-anonymous=1\n"
            f"set-default-sink {SINK}\n")
        self._spawn(self._activated(["pulseaudio", "-n", "-F", str(script), "--daemonize=no", "--exit-idle-time=-1",
                                     "--use-pid-file=no", "--log-target=stderr"]))
        self._wait_for_sink()


class PipeWireServer(SoundServer):
    """pipewire, wireplumber and pipewire-pulse under one private D-Bus
    session: WirePlumber needs the bus, and without a session manager the
    sink is never linked to anything."""

    name = "pipewire"

    def socket(self):
        return self.runtime / "pulse" / "native"

    def activated_socket(self):
        return self.runtime / "pipewire-0"

    def start(self):
        drop_ins = self.config / "pipewire" / "pipewire.conf.d"
        drop_ins.mkdir(parents=True, exist_ok=True)
        (drop_ins / "e2e-null-sink.conf").write_text(
            f"context.properties = {{ default.clock.rate = {SINK_RATE} default.clock.allowed-rates = [ {SINK_RATE} ] }}\n"
            "context.objects = [ { factory = adapter args = { factory.name = support.null-audio-sink\n"
            f'    node.name = {SINK} node.description = "e2e null sink" media.class = Audio/Sink\n'
            f"    audio.rate = {SINK_RATE} audio.channels = 2 audio.position = [ FL FR ]\n"
            "    object.linger = true monitor.channel-volumes = true } } ]\n")
        # The session manager and the pulse server come up once pipewire has
        # its socket (taken over when socket-activated: its lock file then
        # tells); the shell waits on all three so that stopping the group
        # ends them together. Files of a daemon killed before it could
        # remove them (a restart) would let them start too early; an
        # activated socket is the test's own.
        launcher = self.scratch / "launch.sh"
        native = self.activated_socket()
        ready = native.with_name("pipewire-0.lock") if self.socket_activated else native
        launcher.write_text(
            f"rm -f {shlex.quote(str(ready))}\n"
            f"{shlex.join(self._activated(['pipewire']))} &\n"
            f"while [ ! -e {shlex.quote(str(ready))} ]; do sleep 0.05; done\n"
            "wireplumber 3<&- &\n"
            "pipewire-pulse 3<&- &\n"
            "wait\n")
        self._spawn(["dbus-run-session", "--", "sh", str(launcher)])
        self._wait_for_sink()


SERVERS = {server.name: server for server in (PulseAudioServer, PipeWireServer)}


class Recording(Service):
    """A raw recording of 16-bit samples made into `self.path`."""

    def samples(self):
        """The samples recorded so far; a trailing odd byte is dropped."""
        samples = array.array("h")
        data = self.path.read_bytes()
        samples.frombytes(data[:len(data) // 2 * 2])
        return samples


class MonitorRecording(Recording):
    """parec of the null sink's monitor into a file: mono, 16-bit, at the
    sink's own rate, so the recording runs at the sink's pace."""

    # A server that has just come up may leave a new recording stream
    # unlinked; a recording that gets no data this long starts again.
    FIRST_DATA_TIMEOUT = 5.0

    def __init__(self, server, path):
        self.server = server
        self.path = Path(path)
        self.process = None

    def start(self):
        deadline = time.monotonic() + START_TIMEOUT
        while True:
            with self.path.open("wb") as out:
                # A short fragment keeps the monitor's data flowing in small
                # pieces; parec's default waits for seconds of it.
                self.process = subprocess.Popen(
                    ["parec", "-d", SINK + ".monitor", f"--rate={SINK_RATE}", "--channels=1", "--format=s16le",
                     "--latency-msec=20", "--raw", "--client-name=e2e-recorder"],
                    env=dict(os.environ, **self.server.client_env()), stdin=subprocess.DEVNULL, stdout=out,
                    stderr=subprocess.DEVNULL, start_new_session=True)
            try:
                wait_until(lambda: self.process.poll() is not None or self.path.stat().st_size > 0,
                           self.FIRST_DATA_TIMEOUT, "the recording's first data")
                break
            except Failure:
                self.stop()
                if time.monotonic() > deadline:
                    raise Failure("timed out waiting for the recording to start")
        if self.process.poll() is not None:
            raise Failure(f"parec exited with status {self.process.returncode}")

    def stop(self):
        """Ends parec with SIGINT, which makes it write what it holds."""
        if self.process is not None and self.process.poll() is None:
            self.process.send_signal(signal.SIGINT)
            try:
                self.process.wait(5.0)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class PipeRecording(Recording):
    """The pipe sink's FIFO copied into a file by a thread of the test. A
    monitor stream may join a stream late and miss its first period; the
    pipe carries everything the sink plays."""

    def __init__(self, fifo, path):
        self.path = Path(path)
        self.fifo = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
        self.reading = True
        self.thread = threading.Thread(target=self._copy, args=(self.path.open("wb"),))

    def start(self):
        self.thread.start()

    def _copy(self, out):
        with out:
            while self.reading:
                if select.select([self.fifo], [], [], 0.05)[0]:
                    try:
                        out.write(os.read(self.fifo, 65536))
                    except BlockingIOError:
                        pass

    def stop(self):
        if self.reading:
            self.reading = False
            if self.thread.is_alive():
                self.thread.join()
            os.close(self.fifo)
