"""python3 -m tevo_robot --version: the package's version and the library it loads."""
import argparse
import os
import re
import sys

from . import __version__
from ._library import load
from .errors import LibraryNotFoundError


def library_version(file_name: str) -> str:
    """The version in a versioned library file name (libx.so.1.2.3), else "unknown"."""
    match = re.search(r"\.so\.(\d+(?:\.\d+)*)$", file_name)
    return match.group(1) if match else "unknown"


def main(argv=None) -> int:
    parser = argparse.ArgumentParser(prog="python3 -m tevo_robot",
                                     description="The tevo_robot package.")
    parser.add_argument("--version", action="store_true",
                        help="print the package and library versions")
    parser.add_argument("--library", help="path of libtevorobotsdk.so")
    args = parser.parse_args(argv)
    if not args.version:
        parser.print_help()
        return 0
    print(f"tevo_robot {__version__}")
    try:
        path = load(args.library).file_name()
    except LibraryNotFoundError as error:
        print(f"library: not found: {error}", file=sys.stderr)
        return 1
    print(f"libtevorobotsdk {library_version(os.path.basename(path))} ({path})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
