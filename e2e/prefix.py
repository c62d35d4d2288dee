#!/usr/bin/env python3
"""The test run's Wine prefix: `create` makes it fresh (ctest runs this once,
before the end-to-end tests), `end` stops its Wine processes afterwards."""
import sys

import harness


def main(argv):
    if len(argv) != 2 or argv[1] not in ("create", "end"):
        print("usage: prefix.py create|end", file=sys.stderr)
        return 2
    prefix = harness.Prefix()
    if argv[1] == "create":
        prefix.create()
        print("prefix ready: %s (%s, %s)" % (prefix.root, prefix.arch, prefix.wine))
    else:
        prefix.stop()
        print("prefix stopped")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
