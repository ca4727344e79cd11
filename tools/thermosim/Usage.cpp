#include "Usage.h"

namespace thermosim {

const char* usageText()
{
    return R"(Usage: uiquorvix-thermosim [OPTION]...
Simulates the thermometer on a new pseudo-terminal. The device answers every
ESC "M" (bytes 1b 4d) it receives with a reply line.

Reply options:
  --reply TEXT       answer with TEXT instead of a generated reply. TEXT may use
                     the escapes \r \n \t \\ \0 and \xHH (any byte).
  --baud N           send reply bytes no faster than N baud, 11 bits per
                     character (1 start, 8 data, 2 stop). 0 = as fast as
                     possible (default).
  --delay MS         wait MS milliseconds after a command before answering.
                     Answers keep the order of their commands: one still
                     waiting or being sent when the next command arrives goes
                     out whole, and the next answer follows it.
  --short N          send only the first N characters of each reply (0 = all).
  --pause-at N[,N]...
  --pause MS         in every reply (not an acknowledgement), stop after its
                     first N characters, send nothing for MS milliseconds, then
                     go on, paced as before; with several N (ascending), after
                     each of them: "--pause-at 17,43 --pause 350" sends a reply
                     in packets of 17, 26 and 13 characters, as a network or
                     Bluetooth adapter may. Both or neither; an N at or past
                     the reply's length is no pause.
  --stale TEXT       before each reply send TEXT (escapes as for --reply), then
                     pause, then send the reply.
  --stale-gap MS     the pause after --stale TEXT (default 100).
  --unique           make every generated reply name the command it answers (see
                     below), so a check can tell answers apart.
  --seed N           seed for the generated replies, for reproducible runs.

Models and misbehaviour (at most one; without any, the device answers each
command once):
  --acknowledge      answer each command with a short acknowledgement of 5
                     characters (06 "OK" CR LF), a pause, then the reply. This
                     is the thermometer the one-shot form (OneShot) was
                     designed for: it throws the first answer away.
  --ack-gap MS       the pause after the acknowledgement (default 100).
  --twice            answer each command twice.
  --twice-gap MS     the pause between the two answers of --twice (default 0).
  --silent           never answer.
  --garbage          answer with random bytes (0x00-0xff) as long as the reply.
  --flood            after the first command, send random bytes without end
                     (paced by --baud when given) until "mode normal".
  --mix              answer each command in one of these ways, drawn anew for
                     every command (for benchmarks):
                       51 %  plainly;
                        7 %  with a pause inside the line: after a random
                             1-55 characters, 5-150 ms of quiet;
                        6 %  acknowledgement, a gap of 0-100 ms, the reply;
                        6 %  twice, 0-200 ms apart;
                        6 %  with noise: 1-40 random bytes (any but LF) right
                             after the reply's CR LF;
                        5 %  late: after an extra delay of 1 ms to --mix-late;
                        2 %  not at all;
                        2 %  with a long line instead of the reply: 4200
                             random printable characters, then CR LF;
                        4 %  with a pause in the temperature: after 51, 52 or
                             53 characters, 300-600 ms of quiet;
                        4 %  in 2 or 3 packets, 300-400 ms apart;
                        4 %  with a stray byte or two right before the reply:
                             NUL, two NULs, ESC "M", 06, or 06 "OK" CR;
                        3 %  late (1 ms to --mix-late) and pausing after 1-8
                             characters for 300-700 ms.
                     Every reply is a --unique reply, and a "mix" event names
                     each command's lot as the command arrives. --seed
                     repeats a run; --baud, --delay, --stale and --short still
                     apply, --pause-at, --ack-gap and --twice-gap do not, and
                     --reply cannot be combined.
  --mix-late MS      the longest extra delay of a late answer (default 1500).

Device link:
  --install PREFIX   create the link PREFIX/dosdevices/comN to the device
                     (needs --com); it is removed at exit and re-pointed on
                     "plug". Folders that are missing are made, and so is
                     a drive C: (dosdevices/c: to ../drive_c) where the
                     prefix has none; both stay after exit.
  --com N            the N in comN, 1-256.

Control:
  --control          read control lines from standard input; exit at its end.
  --help             show this text and exit.

A generated reply is 56 characters: 1-20 header with a sequence number, 21-35
weather field "DDD/SSSgGGGtFFF" (FFF = temperature in Fahrenheit), 36-49
filler, 50-54 temperature in Celsius like "+21.3", then CR LF. With --unique,
21-35 is "W" and the command's number in 14 digits (W00000000000027) and 50-54
a temperature in tenths naming the number modulo 1000 (+02.7 for command 27 or
1027); both answers of --twice carry the same number. --reply TEXT takes the
place of generated replies.

Control lines (with --control):
  send TEXT          write TEXT (escapes as for --reply) to the line now.
  reply TEXT         answer with TEXT from now on; "reply" alone goes back to
                     generated replies.
  mode M             M is normal, silent, garbage, flood, twice, acknowledge or
                     mix.
  unique on|off      as --unique, or back to plain generated replies.
  short N            as --short.
  pause N[,N]... MS  as --pause-at N[,N]... --pause MS; "pause 0 0" turns it
                     off.
  delay MS           as --delay.
  unplug             close the device, as if unplugged; the link leads nowhere.
  plug               create a new device, re-point the link.
  quit               exit.
Each control line is acknowledged with "ok <command>" once done, or answered
with "error <command>: <reason>".

Events on standard output, one line each:
  device PATH        the device to open (first line, and after each plug).
  query N T          command number N arrived (T = CLOCK_MONOTONIC in ns).
  replying N T       the first byte of a reply to command N was written.
  replied N T        the last byte of a reply to command N was written.
                     An answer sent twice gives one replying and one replied
                     per copy, the first for the first copy; a long line of
                     --mix is no reply and gives neither.
  mix N LOT          what --mix does with command N, written as it arrives:
                     plain, pause AT MS, ack MS, twice MS, noise COUNT,
                     late MS, silent, long, tail AT MS, packets AT[,AT] MS,
                     stray HEX (the bytes as hex pairs run together, e.g.
                     1b4d) or straggler LATE AT MS.
  unexpected HEX     bytes received that are not a command, e.g. "0d 0a".
  unplugged          the device is gone.
  ok COMMAND         a control line was carried out.
  error TEXT         something failed.

Exit status: 0 after SIGINT, SIGTERM, SIGHUP, "quit" or end of control input;
1 when the device cannot be created; 2 for bad options.
)";
}

} // namespace thermosim
