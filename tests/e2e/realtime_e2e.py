#!/usr/bin/env python3
"""raise_to_realtime(tid) as a user meets it, through realtime_probe: as
root it takes SCHED_FIFO itself; as nobody with RLIMIT_RTPRIO 0 it asks
RTKit, here rtkit-daemon on a private system bus with polkitd allowing
nobody (its rule bind-mounted in a mount namespace of polkitd's own). With
no bus, a bus that never answers or an RTKit that never answers, the
thread stays as it was and the call gives up at once. Must run as root.

Usage: realtime_e2e.py --probe PATH
"""
import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True  # the harness leaves no __pycache__ in the source tree
from harness.checks import Failure, Service, check, report, wait_until  # noqa: E402

# RTKit's default ceiling for clients, below the 50 the engine asks for.
RTKIT_MAX_PRIORITY = 20
# The call gives up on D-Bus after 100 ms; this bound only catches a wait
# on libdbus's default 25 s timeout, not a slow machine.
GIVE_UP_BOUND_MS = 1000.0
START_TIMEOUT = 20.0

BUS_CONFIG = """<busconfig>
  <listen>{address}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_type="method_return"/>
    <allow send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="signal"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
  </policy>
</busconfig>
"""
POLKIT_RULE = """polkit.addRule(function(action, subject) {
    if (action.id.indexOf("org.freedesktop.RealtimeKit1.") == 0 && subject.user == "nobody")
        return polkit.Result.YES;
});
"""


class Daemon(Service):
    """One daemon in a process group of its own, its output in a log,
    started once `ready()` holds."""

    def __init__(self, name, argv, scratch, env, ready):
        self.name, self.argv, self.env, self.ready = name, argv, env, ready
        self.log_path = scratch / f"{name}.log"
        self.process = None

    def start(self):
        with self.log_path.open("wb") as log:
            self.process = subprocess.Popen(self.argv, env=self.env, stdin=subprocess.DEVNULL, stdout=log,
                                            stderr=subprocess.STDOUT, start_new_session=True)

        def ready():
            if self.process.poll() is not None:
                raise Failure(f"{self.name} exited with status {self.process.returncode}")
            return self.ready()
        wait_until(ready, START_TIMEOUT, f"{self.name} to start")

    def report_failure(self):
        if self.log_path.exists():
            report(f"{self.name}'s log", self.log_path.read_text(errors="replace").splitlines()[-15:])

    def stop(self):
        if self.process is None:
            return
        for sent in (signal.SIGTERM, signal.SIGCONT):  # a stopped daemon takes SIGTERM once continued
            try:
                os.killpg(self.process.pid, sent)
            except ProcessLookupError:
                break
        try:
            self.process.wait(5.0)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        self.process = None


class SystemBus(Daemon):
    """dbus-daemon listening on a socket in the scratch directory."""

    def __init__(self, scratch):
        self.scratch = scratch
        self.address = f"unix:path={scratch / 'system_bus_socket'}"
        config = scratch / "system-bus.conf"
        config.write_text(BUS_CONFIG.format(address=self.address))
        super().__init__("dbus-daemon", ["dbus-daemon", "--nofork", f"--config-file={config}"], scratch,
                         os.environ, lambda: self.has_owner("org.freedesktop.DBus"))

    def has_owner(self, name):
        result = subprocess.run(
            ["dbus-send", f"--bus={self.address}", "--print-reply", "--dest=org.freedesktop.DBus",
             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", f"string:{name}"],
            capture_output=True, text=True, timeout=10.0)
        return "boolean true" in result.stdout

    def service(self, name, bus_name, argv):
        """A daemon on this bus, ready once it owns `bus_name`."""
        return Daemon(name, argv, self.scratch, dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=self.address),
                      lambda: self.has_owner(bus_name))


def probe(settings, bus_address, as_nobody=True):
    """What realtime_probe prints, as a dict of strings, plus took_ms as a
    float. nobody runs it with RLIMIT_RTPRIO 0."""
    argv = ["prlimit", "--rtprio=0"]
    if as_nobody:
        argv += ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--inh-caps=-all",
                 "--bounding-set=-all"]
    result = subprocess.run([*argv, settings.probe], env=dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=bus_address),
                            capture_output=True, text=True, timeout=60.0)
    check(result.returncode == 0, f"realtime_probe exited with {result.returncode}: {result.stderr.strip()}")
    fields = dict(field.split("=", 1) for field in result.stdout.split())
    fields["took_ms"] = float(fields["took_ms"])
    return fields


def expect(case, fields, raised, policy, priority=None):
    print(f"{case}: raised={fields['raised']} policy={fields['policy']} priority={fields['priority']} "
          f"took {fields['took_ms']:.1f} ms")
    check(fields["raised"] == raised and fields["policy"] == policy and
          (priority is None or fields["priority"] == str(priority)),
          f"{case}: expected raised={raised} policy={policy} priority={priority}, got {fields}")
    if raised == "0":
        check(fields["took_ms"] < GIVE_UP_BOUND_MS, f"{case}: gave up only after {fields['took_ms']:.1f} ms")


def run(settings, scratch):
    absent_bus = f"unix:path={scratch / 'no_bus_here'}"
    expect("root, no bus", probe(settings, absent_bus, as_nobody=False), "1", "FIFO", 50)
    expect("nobody, no bus", probe(settings, absent_bus), "0", "OTHER")

    # A socket whose listener never accepts: the client's connection and
    # its handshake are never answered.
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as silent:
        silent_path = scratch / "silent_bus"
        silent.bind(str(silent_path))
        silent_path.chmod(0o777)
        silent.listen(8)
        expect("nobody, a bus that never answers", probe(settings, f"unix:path={silent_path}"), "0", "OTHER")
        silent.setblocking(False)
        try:
            silent.accept()[0].close()
        except BlockingIOError:
            raise Failure("the probe never connected to the bus that never answers") from None

    rules = scratch / "polkit-rules"
    rules.mkdir(mode=0o755)
    (rules / "50-realtime-e2e.rules").write_text(POLKIT_RULE)
    with SystemBus(scratch) as bus:
        polkitd = bus.service("polkitd", "org.freedesktop.PolicyKit1", [
            "unshare", "--mount", "--propagation", "private", "sh", "-c",
            'mount --bind "$0" /etc/polkit-1/rules.d && exec /usr/lib/polkit-1/polkitd', str(rules)])
        # rtkit-daemon as packaged (it drops to the rtkit user, chroots and
        # runs its canary), logging to stderr; the resource limits it sets
        # itself include a file size of 0, which a log file would hit.
        rtkit = bus.service("rtkit-daemon", "org.freedesktop.RealtimeKit1", [
            "/usr/libexec/rtkit-daemon", "--stderr", "--no-limit-resources"])
        with polkitd, rtkit:
            expect("nobody, RLIMIT_RTPRIO 0, through RTKit", probe(settings, bus.address), "1", "RR",
                   RTKIT_MAX_PRIORITY)
            os.killpg(rtkit.process.pid, signal.SIGSTOP)  # its stop continues it
            expect("nobody, RTKit stopped", probe(settings, bus.address), "0", "OTHER")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True, type=os.path.abspath)
    settings = parser.parse_args()
    if os.geteuid() != 0:
        print("FAILED realtime: must run as root, to start rtkit-daemon and the probe as nobody", file=sys.stderr)
        return 1
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    with tempfile.TemporaryDirectory(prefix="realtime-e2e-") as scratch:
        scratch = Path(scratch)
        scratch.chmod(0o755)  # nobody reaches the probe and the sockets
        copied = scratch / "realtime_probe"
        shutil.copy(settings.probe, copied)
        settings.probe = str(copied)
        try:
            run(settings, scratch)
        except Failure as failure:
            print(f"FAILED realtime: {failure}", file=sys.stderr)
            return 1
    print("passed realtime")
    return 0


if __name__ == "__main__":
    sys.exit(main())
