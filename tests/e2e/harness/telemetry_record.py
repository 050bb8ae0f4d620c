"""Reads what the program's telemetry stand-in recorded (one JSON object a line)."""
import json
from pathlib import Path


class TelemetryRecord:
    def __init__(self, path):
        self.path = Path(path)

    @property
    def env(self):
        from harness.wine import Prefix
        return {"WRENKIT_TELEMETRY_RECORD": Prefix.windows_path(self.path)}

    def entries(self):
        if not self.path.exists():
            return []
        return [json.loads(line) for line in self.path.read_text(encoding="utf-8").splitlines() if line]

    def flow(self):
        """The flow records as (kind, action or flow name, attributes)."""
        out = []
        for e in self.entries():
            if e["kind"] == "get":
                continue
            fields = dict(e["fields"])
            name = fields.pop("flow", None) or fields.pop("action", None)
            attrs = {k[len("attributes["):-1]: v for k, v in fields.items() if k.startswith("attributes[")}
            out.append((e["kind"], name, attrs))
        return out

    def requests(self):
        return [e["url"] for e in self.entries() if e["kind"] == "get"]
