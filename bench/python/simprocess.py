"""The simulator program in a process of its own, for the Python benchmarks."""
import re
import subprocess
import threading


def start_sim(program):
    """Starts ``program --port 0``; returns (process, host, port)."""
    sim = subprocess.Popen([program, "--port", "0"], stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, text=True)
    for line in sim.stdout:
        match = re.search(r"listening on ([\d.]+):(\d+)", line)
        if match:
            # The simulator logs each connection: keep reading so the pipe never fills.
            threading.Thread(target=sim.stdout.read, daemon=True).start()
            return sim, match.group(1), int(match.group(2))
    raise SystemExit("the simulator printed no address")
