# Stand-in for the distribution's python destination class: instead of
# forwarding records to the desktop it appends, for every record it gets, one
# JSON line {"options": {...}, "record": <the record as sent>} to the file
# named by TARN_STUB_OUTPUT (set by the test harness, inside its work
# directory).
import json
import os


class TarnSyslogNgDestination(object):
    def init(self, options):
        self.options = dict(options)
        self.output = os.environ["TARN_STUB_OUTPUT"]
        return True

    def send(self, msg):
        # The source takes records unparsed: MESSAGE is the JSON text as sent.
        line = {"options": self.options, "record": json.loads(msg["MESSAGE"])}
        with open(self.output, "a") as out:
            out.write(json.dumps(line, sort_keys=True) + "\n")
        return True
