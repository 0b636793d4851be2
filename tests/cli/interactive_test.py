#!/usr/bin/env python3
"""The interactive calculator driven through a pseudo-terminal, as a person at a terminal uses it.

Usage: interactive_test.py PATH/TO/korvelce-cli [unittest options]
Every run gets its own temporary HOME and XDG folders.
"""
import fcntl
import os
import pty
import re
import select
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest

CLI = None
TIMEOUT = 30.0  # seconds; generous for sanitizer builds
ESCAPE = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b[()][A-Za-z0-9]|\x07|\r")


def clean(raw):
    """The text a person reads: escape sequences and carriage returns removed."""
    return ESCAPE.sub(b"", raw).decode("utf-8", "replace")


class Terminal:
    """A program (argv[0]) on a pseudo-terminal of 100 x 40 characters."""

    def __init__(self, argv, env, cwd):
        pid, fd = pty.fork()
        if pid == 0:
            try:
                os.chdir(cwd)
                os.execve(argv[0], argv, env)
            finally:
                os._exit(127)
        self.pid = pid
        self.fd = fd
        fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack("HHHH", 40, 100, 0, 0))
        self.raw = b""
        self.seen = 0  # what expect() has consumed
        self.status = None

    def _read(self, timeout):
        ready, _, _ = select.select([self.fd], [], [], timeout)
        if not ready:
            return False
        try:
            data = os.read(self.fd, 65536)
        except OSError:
            data = b""
        if not data:
            return None
        self.raw += data
        return True

    def expect(self, pattern, timeout=TIMEOUT):
        """Waits for pattern (a regular expression on the clean text after the last match)."""
        regex = re.compile(pattern, re.MULTILINE)
        end = time.time() + timeout
        while True:
            text = clean(self.raw)
            match = regex.search(text, self.seen)
            if match:
                self.seen = match.end()
                return match
            remaining = end - time.time()
            if remaining <= 0 or self._read(min(remaining, 0.2)) is None:
                raise AssertionError("no %r in the output:\n%s" % (pattern, text[self.seen:]))

    def prompt(self, pattern=r"korvelce> "):
        """Waits for a prompt, then for the line editor to take the terminal: it prints the
        prompt before it leaves the terminal's line mode, and keys sent before that are read
        by the terminal's line discipline instead (a Ctrl-D there is lost)."""
        match = self.expect(pattern)
        end = time.time() + TIMEOUT
        while termios.tcgetattr(self.fd)[3] & termios.ICANON:
            if time.time() > end:
                raise AssertionError("the terminal stays in line mode")
            time.sleep(0.005)
        return match

    def line(self, text):
        """Types a line and waits for the next prompt; returns what came before it."""
        os.write(self.fd, text.encode() + b"\r")
        start = self.seen
        self.prompt()
        return clean(self.raw)[start:self.seen]

    def quit(self, command=":quit"):
        """Types a command that leaves and returns the exit code."""
        os.write(self.fd, command.encode() + b"\r")
        return self.wait()

    def send(self, data):
        os.write(self.fd, data if isinstance(data, bytes) else data.encode())

    def wait(self, timeout=TIMEOUT):
        """Waits for the end of the program and returns its exit code."""
        end = time.time() + timeout
        while time.time() < end:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid != 0:
                self.status = os.waitstatus_to_exitcode(status)
                os.close(self.fd)
                return self.status
            self._read(0.1)
        raise AssertionError("korvelce-cli did not end:\n" + clean(self.raw)[-2000:])

    def hang_up(self, timeout=TIMEOUT):
        """Closes the terminal, as a lost connection does, and returns the exit code."""
        os.close(self.fd)
        end = time.time() + timeout
        while time.time() < end:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid != 0:
                self.status = os.waitstatus_to_exitcode(status)
                return self.status
            time.sleep(0.05)
        raise AssertionError("korvelce-cli did not end when its terminal closed")

    def kill(self):
        if self.status is None:
            for close in (lambda: os.kill(self.pid, signal.SIGKILL),
                          lambda: os.waitpid(self.pid, 0), lambda: os.close(self.fd)):
                try:
                    close()
                except OSError:
                    pass


# A display line: the value right-aligned, then the indicators.
def display(value, indicators="DEG"):
    return r"^ +" + re.escape(value) + r" +" + indicators + r"\s*$"


class Interactive(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory(prefix="korvelce-interactive-")
        self.dir = self.folder.name
        self.env = {
            "PATH": "/usr/bin:/bin",
            "TERM": "xterm",
            "LANG": "C.UTF-8",
            "HOME": os.path.join(self.dir, "home"),
            "XDG_STATE_HOME": os.path.join(self.dir, "state"),
            "XDG_DATA_HOME": os.path.join(self.dir, "data"),
            "XDG_CONFIG_HOME": os.path.join(self.dir, "config"),
        }
        for key in ("HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"):
            os.makedirs(self.env[key])
        self.terminals = []

    def tearDown(self):
        for terminal in self.terminals:
            terminal.kill()
        self.folder.cleanup()

    def start(self, *args, env=None):
        terminal = Terminal([CLI] + list(args), env or self.env, self.dir)
        self.terminals.append(terminal)
        terminal.prompt()
        return terminal

    def path(self, name):
        return os.path.join(self.dir, name)

    def test_each_line_shows_the_display_with_its_indicators(self):
        t = self.start()
        cases = [
            ("2 + 3 * 4 =", display("14.")),
            ("CLR 1 2 . 5 EE 3 +/-", display("12.5 -03")),
            ("CLR 2 sqrt", display("1.414213562")),
            ("CLR 100 2ND LNX", display("2.")),  # 2nd LNX is LOG
            ("CLR 2ND", display("0", r"2nd +DEG")),
            ("2ND", display("0")),  # a second 2nd cancels it
            ("INV", display("0", r"INV DEG")),
            ("CLR RAD", display("0", "RAD")),
            ("", display("0", "RAD")),  # an empty line shows the display again
            ("DEG LRN 1 2", display("002  00")),
            ("LRN", display("0")),
        ]
        for keys, pattern in cases:
            with self.subTest(keys=keys):
                self.assertRegex(t.line(keys), re.compile(pattern, re.MULTILINE))

    def test_an_error_blinks_in_inverse_video(self):
        t = self.start()
        t.line("5 / 0 =")
        self.assertRegex(t.raw, rb"\x1b\[5;7m +9\.9999999  99\x1b\[0m")
        self.assertNotIn(b"\x1b[5;7m", t.raw.split(b"5 / 0 =")[0])
        # CLR ends the error; the next display is plain.
        before = len(t.raw)
        t.line("CLR 3")
        self.assertNotIn(b"\x1b[5;7m", t.raw[before:])
        # A terminal without video attributes is told in words.
        dumb = self.start(env=dict(self.env, TERM="dumb"))
        self.assertRegex(dumb.line("5 / 0 ="), r"9\.9999999  99 +DEG  error")

    def test_unknown_tokens_and_commands_change_nothing(self):
        t = self.start()
        t.line("7 STO 01")
        out = t.line("CLR 2 + ZAP 3 =")
        self.assertIn("unknown key token 'ZAP' at position 4: nothing was keyed", out)
        self.assertRegex(t.line("RCL 01"), re.compile(display("7."), re.MULTILINE))
        self.assertIn("unknown command ':frob'", t.line(":frob"))
        self.assertIn(":list takes a step 000 to 999, or all", t.line(":list x"))

    def test_tab_completes_keys_and_commands(self):
        t = self.start()
        t.send("2 SQ\t")
        t.expect(r"2 SQRT ")
        t.send("\r")
        t.expect(display("1.414213562"))
        t.prompt()
        # Several keys fit: a second Tab lists them.
        t.send("ST\t\t")
        t.expect(r"STA +STF +STO +STO\*\n")
        t.send("O 04\r")
        t.prompt()
        t.send(":sta\t")
        t.expect(r":state ")
        t.send("\r")
        t.expect(r"R04 1\.414213562")
        t.prompt()
        with open(self.path("square.kvs"), "w") as f:
            f.write("LBL A X^2 R/S\n")
        t.send(":load squ\t")
        t.expect(r":load square\.kvs ")
        t.send("\r")
        t.expect(r"program of \d+ steps keyed in from square\.kvs")
        t.prompt()
        self.assertRegex(t.line("3 A"), re.compile(display("9."), re.MULTILINE))

    def test_the_history_survives_a_restart(self):
        t = self.start()
        t.line("7 + 8 =")
        self.assertEqual(t.quit(), 0)
        history = os.path.join(self.env["XDG_STATE_HOME"], "korvelce", "history")
        self.assertTrue(os.path.isfile(history))
        self.assertEqual(os.listdir(self.env["HOME"]), [])  # nothing in the home folder
        again = self.start()
        again.send("\x1b[A\x1b[A")  # up twice: past ":quit" to the sum
        again.expect(r"7 \+ 8 =")
        again.send("\r")
        again.expect(display("15."))
        # Without XDG_STATE_HOME the history lives in ~/.local/state.
        env = dict(self.env)
        del env["XDG_STATE_HOME"]
        home = self.start(env=env)
        home.line("1 + 1 =")
        self.assertEqual(home.quit(":q"), 0)
        self.assertTrue(os.path.isfile(os.path.join(env["HOME"], ".local/state/korvelce/history")))

    def test_ctrl_c_stops_an_endless_program_and_twice_leaves(self):
        t = self.start("--max-steps", "1000000000000")
        t.line("LRN LBL A 1 SUM 00 GTO A LRN")
        t.send("A\r")
        t.expect(r"running: \d+ steps \(Ctrl-C stops\)")
        t.send("\x03")
        t.expect(r"stopped \(R/S continues\)")
        t.prompt()
        self.assertRegex(t.line("RCL 00"), re.compile(r"^ +[1-9]\d*\. +DEG", re.MULTILINE))
        # At the prompt: Ctrl-C on a typed line drops it, twice on an empty line leaves.
        t.send("1 2 3")
        t.expect(r"1 2 3")
        t.send("\x03")
        t.prompt()
        self.assertNotIn("Ctrl-C again", clean(t.raw))
        t.send("\x03")
        t.expect(r"Ctrl-C again, :quit or Ctrl-D leaves")
        t.prompt()
        t.send("\x03")
        self.assertEqual(t.wait(), 0)

    def test_the_step_limit_stops_a_run_and_the_calculator_goes_on(self):
        t = self.start("--max-steps", "1000")
        t.line("LRN LBL A 1 SUM 00 GTO A LRN")
        out = t.line("A 5")
        self.assertIn(
            "the program ran more than 1000 steps; stopped (R/S continues); "
            "the keys after it were not pressed", out)
        self.assertRegex(t.line("RCL 00"), re.compile(display("200."), re.MULTILINE))

    def test_printed_lines_appear_before_the_display(self):
        printer = self.path("paper.txt")
        t = self.start("--printer", printer)
        out = t.line("123 PRT 4 PRT")
        self.assertRegex(out, r"\|        123\.        \|\n  \|          4\.        \|\n.*4\.")
        with open(printer, "rb") as f:
            paper = f.read().decode("utf-16")
        self.assertEqual(paper.split(), ["123.", "4."])
        # A printer file that cannot be written is said once; the terminal's paper goes on.
        blocked = self.start("--printer", self.dir)
        out = blocked.line("1 PRT 2 PRT")
        self.assertEqual(out.count("cannot write printer file"), 1)
        self.assertIn("|          2.        |", out)

    def test_the_printer_file_holds_the_printed_lines_in_utf16(self):
        printer = self.path("tape.txt")
        t = self.start("--printer", printer)
        t.line("123 PRT 4 PRT")
        self.assertEqual(t.quit(), 0)
        first = "        123. \r\n          4. \r\n"
        with open(printer, "rb") as f:
            self.assertEqual(f.read(), b"\xff\xfe" + first.encode("utf-16-le"))
        # A second session appends, without a second byte-order mark.
        again = self.start("--printer", printer)
        again.line("5 +/- PRT")
        self.assertEqual(again.quit(), 0)
        with open(printer, "rb") as f:
            self.assertEqual(f.read(),
                             b"\xff\xfe" + (first + "         -5. \r\n").encode("utf-16-le"))
        # "-" is the terminal alone: no file is made.
        dash = self.start("--printer", "-")
        self.assertIn("|          7.        |", dash.line("7 PRT"))
        self.assertEqual(dash.quit(), 0)
        self.assertFalse(os.path.exists(self.path("-")))
        # A file that cannot be opened is said after the line it failed on.
        blocked = self.start("--printer", self.dir)
        out = blocked.line("1 PRT")
        self.assertRegex(out, r"\|          1\.        \|\n.*cannot write printer file '%s': "
                         r"Is a directory\n" % re.escape(self.dir))

    def test_a_session_keeps_registers_and_program(self):
        session = self.path("sub/session.kv")
        t = self.start("--session", session)
        self.assertIn("New session", clean(t.raw))
        t.line("3 STO 05")
        t.line("LRN LBL A X^2 R/S LRN")
        self.assertEqual(t.quit(), 0)
        self.assertEqual(os.path.getsize(session), 2600)
        again = self.start("--session", session)
        self.assertIn("Session resumed", clean(again.raw))
        self.assertRegex(again.line("RCL 05"), re.compile(display("3."), re.MULTILINE))
        self.assertRegex(again.line("4 A"), re.compile(display("16."), re.MULTILINE))
        again.line("5 STO 06")
        again.send("\x04")  # Ctrl-D keeps the session too
        self.assertEqual(again.wait(), 0)
        third = self.start("--session", session)
        self.assertRegex(third.line("RCL 06"), re.compile(display("5."), re.MULTILINE))
        # :quit! leaves without keeping it.
        third.line("9 STO 06")
        self.assertEqual(third.quit(":quit!"), 0)
        fourth = self.start("--session", session)
        self.assertRegex(fourth.line("RCL 06"), re.compile(display("5."), re.MULTILINE))
        # A hang-up (the connection lost) keeps it as well.
        fourth.line("8 STO 07")
        os.kill(fourth.pid, signal.SIGHUP)
        self.assertEqual(fourth.wait(), 0)
        fifth = self.start("--session", session)
        self.assertRegex(fifth.line("RCL 07"), re.compile(display("8."), re.MULTILINE))
        # So does the terminal closing under it.
        fifth.line("6 STO 08")
        self.assertEqual(fifth.hang_up(), 0)
        sixth = self.start("--session", session)
        self.assertRegex(sixth.line("RCL 08"), re.compile(display("6."), re.MULTILINE))

    def test_a_session_that_cannot_be_kept_is_not_left(self):
        session = self.path("s.kv")
        t = self.start("--session", session)
        t.line("4 STO 01")
        os.mkdir(session)  # something in the way: a folder cannot be replaced by the session
        out = t.line(":quit")
        self.assertIn("cannot keep the session", out)
        self.assertIn("not left: :quit! leaves without keeping it", out)
        os.rmdir(session)
        self.assertEqual(t.quit(), 0)
        self.assertEqual(os.path.getsize(session), 2600)
        # A session file that cannot be read is not overwritten either: the start fails.
        blocked = self.path("dir.kv")
        os.mkdir(blocked)
        run = subprocess.run([CLI, "--session", blocked], stdin=subprocess.DEVNULL,
                             capture_output=True, env=self.env, timeout=TIMEOUT)
        self.assertEqual(run.returncode, 1)
        self.assertIn(b"cannot read the session", run.stderr)

    def test_commands(self):
        t = self.start()
        t.line("LRN LBL A X^2 + 1 = R/S LRN RST 3 STO 05")
        self.assertRegex(t.line(":list"), r"> 000 76 LBL\n  001 11 A\n  002 33 X²")
        around = t.line(":list 20")
        self.assertRegex(around, r"\n  012 00 0\n(  0\d\d 00 0\n){15}  028 00 0\nkorvelce> ")
        self.assertRegex(t.line(":list all"), r"> 000 76 LBL\n(.*\n){18}  019 00 0\nkorvelce> ")
        state = t.line(":state")
        self.assertRegex(state, r"R05 3\.")
        self.assertRegex(state, r"flags set none")
        t.line("2 + 3 * ( 4")
        state = t.line(":state")
        self.assertRegex(state, r"display   4\n")
        self.assertRegex(state, r"pending   2\. \+ 3\. \* \(\n")
        help_text = t.line(":help")
        self.assertIn("LNX   LOG", help_text)
        self.assertIn(":module", help_text)
        image = self.path("p.kv")
        self.assertIn("written to", t.line(":save " + image))
        self.assertEqual(os.path.getsize(image), 2600)
        self.assertIn("program written as source", t.line(":save " + self.path("p.kvs")))
        with open(self.path("p.kvs")) as f:
            self.assertIn("LBL A", f.read())
        self.assertIn("give a file name ending in .kv", t.line(":load notes.txt"))
        t.line("CLR CMS")
        self.assertRegex(t.line(":load " + image), re.compile(display("0."), re.MULTILINE))
        self.assertRegex(t.line("RCL 05"), re.compile(display("3."), re.MULTILINE))
        self.assertIn("module 110 (Master)", t.line(":module"))
        self.assertIn("module 128 in banks 1 to 25", t.line(":module 128"))
        self.assertRegex(t.line("PGM 01 4.5 A"), re.compile(display("11.6317284"), re.MULTILINE))
        self.assertIn("module 128 (Maths / Utilities) is in banks 1 to 25", t.line(":module"))

    def test_list_all_in_any_letter_case_lists_and_the_session_is_kept(self):
        session = self.path("listed.kv")
        t = self.start("--session", session)
        t.line("LRN LBL A X^2 R/S LRN RST 6 STO 09")
        for command in (":list All", ":list aLL", ":LIST all"):
            with self.subTest(command=command):
                self.assertRegex(t.line(command),
                                 r"> 000 76 LBL\n  001 11 A\n  002 33 X²\n  003 91 R/S\n")
        self.assertRegex(t.line(":list 002"), r"> 000 76 LBL\n(.*\n){9}  010 00 0\nkorvelce> ")
        self.assertIn("module 110 (Master)", t.line(":module"))
        self.assertEqual(t.quit(), 0)
        self.assertEqual(os.path.getsize(session), 2600)
        again = self.start("--session", session)
        self.assertRegex(again.line("RCL 09"), re.compile(display("6."), re.MULTILINE))

    def test_the_file_keys_ask_for_a_name(self):
        t = self.start()
        t.line("6 STO 02")
        t.send("WRT\r")
        t.prompt(r"save registers and program as \(\.kv\): ")
        t.send("w.kv\r")
        t.expect(r"registers and program written to w\.kv")
        t.prompt()
        self.assertEqual(os.path.getsize(self.path("w.kv")), 2600)
        t.line("CMS")
        t.send("INV WRT\r")
        t.prompt(r"load the program file \(\.kv or \.kvs\): ")
        t.send("w.kv\r")
        t.prompt()
        self.assertRegex(t.line("RCL 02"), re.compile(display("6."), re.MULTILINE))

    def test_piped_input_and_output_keep_the_batch_behaviour(self):
        run = subprocess.run([CLI, "--keys-file", "-"], input=b"2 + 3 * 4 =\n",
                             capture_output=True, env=self.env, timeout=TIMEOUT)
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, b"14.\n", b""))
        run = subprocess.run([CLI], stdin=subprocess.DEVNULL, capture_output=True,
                             env=self.env, timeout=TIMEOUT)
        self.assertEqual((run.returncode, run.stdout), (0, b"0\n"))
        # A terminal on one side only is no prompt either: output piped from a terminal, and
        # input piped into one.
        printing = subprocess.run([CLI, "--printer", "-", "12", "PRT"], capture_output=True,
                                  env=self.env, timeout=TIMEOUT).stdout
        for script, output in (("'%s' --printer - 12 PRT | cat", printing),
                               ("true | '%s'", b"0\n")):
            with self.subTest(script=script):
                t = Terminal(["/bin/sh", "-c", script % CLI], self.env, self.dir)
                self.terminals.append(t)
                self.assertEqual(t.wait(), 0)
                self.assertEqual(t.raw.replace(b"\r\n", b"\n"), output)

    def test_lines_from_a_pipe_with_dash_i(self):
        run = subprocess.run([CLI, "-i"], input=b"2 + 3 =\n123 PRT\n:state\n",
                             capture_output=True, env=self.env, timeout=TIMEOUT)
        self.assertEqual(run.returncode, 0)
        out = run.stdout.decode()
        self.assertRegex(out, re.compile(display("5."), re.MULTILINE))
        self.assertIn("  |        123.        |\n", out)
        self.assertIn("display   123.", out)
        self.assertNotIn("\x1b", out)
        # Nothing of a pipe goes into the history.
        self.assertFalse(os.path.exists(os.path.join(self.env["XDG_STATE_HOME"], "korvelce")))
        run = subprocess.run([CLI, "-i", "--json"], capture_output=True, env=self.env,
                             timeout=TIMEOUT)
        self.assertEqual(run.returncode, 2)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    CLI = os.path.abspath(sys.argv.pop(1))
    unittest.main()
