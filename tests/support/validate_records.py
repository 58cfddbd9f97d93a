#!/usr/bin/python3
"""Checks each line on stdin against zentrel-flash's JSON record schema.

  validate_records.py SCHEMA < lines

Exit 0 when every non-empty line is a JSON object the schema describes;
otherwise each failing line and why on stderr, exit 1.
"""
import json
import sys

import jsonschema


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        schema = json.load(f)
    validator = jsonschema.Draft202012Validator(schema)
    jsonschema.Draft202012Validator.check_schema(schema)
    failures = 0
    for number, line in enumerate(sys.stdin, 1):
        if not line.strip():
            continue
        try:
            record = json.loads(line)
        except ValueError as e:
            print(f"line {number}: not JSON: {e}: {line.rstrip()}", file=sys.stderr)
            failures += 1
            continue
        errors = list(validator.iter_errors(record))
        if errors:
            # The record's own kind says more than "not valid under any".
            kind = record.get("event") if isinstance(record, dict) else None
            if kind in schema["$defs"]:
                own = dict(schema, oneOf=[{"$ref": f"#/$defs/{kind}"}])
                errors = list(jsonschema.Draft202012Validator(own).iter_errors(record)) or errors
            best = jsonschema.exceptions.best_match(errors)
            print(f"line {number}: {best.message} at {list(best.absolute_path)}: {line.rstrip()}",
                  file=sys.stderr)
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
