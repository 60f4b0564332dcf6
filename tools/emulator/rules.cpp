// SPDX-License-Identifier: MIT
#include "emulator/rules.h"

#include "emulator/wire.h"

namespace quorvel::emulator {
namespace {

constexpr long kMaxCount = 100000;
constexpr long kMaxMs = 600000;

[[noreturn]] void Bad(const std::string& message) { throw std::invalid_argument(message); }

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

long Number(std::string_view text, long max, std::string_view behaviour) {
  if (text.empty() || text.size() > 9) Bad("bad number '" + std::string(text) + "' in '" + std::string(behaviour) + "'");
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') Bad("bad number '" + std::string(text) + "' in '" + std::string(behaviour) + "'");
    value = value * 10 + (c - '0');
  }
  if (value > max) Bad("number " + std::string(text) + " too large in '" + std::string(behaviour) + "'");
  return value;
}

std::uint16_t StatusWord(std::string_view text, std::string_view behaviour) {
  const auto digits = wire::ParseHexBytes(std::string(4 - std::min<std::size_t>(text.size(), 4), '0') + std::string(text));
  if (text.empty() || text.size() > 4 || !digits)
    Bad("bad status word '" + std::string(text) + "' (1 to 4 hexadecimal digits) in '" + std::string(behaviour) + "'");
  return static_cast<std::uint16_t>(static_cast<unsigned char>((*digits)[0]) << 8 |
                                    static_cast<unsigned char>((*digits)[1]));
}

std::string HexArgument(std::string_view text, std::string_view behaviour) {
  const auto bytes = wire::ParseHexBytes(text);
  if (!bytes) Bad("bad hexadecimal bytes '" + std::string(text) + "' in '" + std::string(behaviour) + "'");
  return *bytes;
}

std::vector<std::string> TextList(std::string_view text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  for (const std::string& item : Split(text, ',')) items.push_back(UnescapeText(item));
  return items;
}

void ExpectArgs(const std::vector<std::string>& parts, std::size_t min, std::size_t max, std::string_view behaviour) {
  const std::size_t args = parts.size() - 1;
  if (args < min || args > max) Bad("wrong number of values in '" + std::string(behaviour) + "'");
}

// "name:rest" with the rest kept whole (it may hold ':' of its own).
std::pair<std::string, std::string> NameAndRest(std::string_view behaviour) {
  const std::size_t colon = behaviour.find(':');
  if (colon == std::string_view::npos) return {std::string(behaviour), {}};
  return {std::string(behaviour.substr(0, colon)), std::string(behaviour.substr(colon + 1))};
}

std::pair<std::string, std::string> KeyAndBehaviour(const std::string& rule, const std::string& option) {
  const std::size_t equals = rule.find('=');
  if (equals == std::string::npos) Bad(option + " needs KEY=BEHAVIOUR, got '" + rule + "'");
  return {rule.substr(0, equals), rule.substr(equals + 1)};
}

// The reply a rule adds to: the default for "*", else the one for that command.
template <typename Reply>
Reply& RuleFor(const std::string& key, std::optional<Reply>& fallback, std::map<std::string, Reply>& byKey) {
  if (key != "*") return byKey[UnescapeText(key)];
  if (!fallback) fallback.emplace();
  return *fallback;
}

}  // namespace

void ApplyHostBehaviour(THostReply& reply, std::string_view behaviour) {
  const auto parts = Split(behaviour, ':');
  const std::string& name = parts[0];
  if (name == "ok") {
    ExpectArgs(parts, 0, 0, behaviour);
  } else if (name == "noack") {
    ExpectArgs(parts, 0, 0, behaviour);
    reply.ackFirst = false;
  } else if (name == "nak") {
    ExpectArgs(parts, 0, 0, behaviour);
    reply.nak = true;
  } else if (name == "silent") {
    ExpectArgs(parts, 0, 0, behaviour);
    reply.silent = true;
  } else if (name == "busy") {
    ExpectArgs(parts, 2, 2, behaviour);
    reply.busyReports = static_cast<int>(Number(parts[1], kMaxCount, behaviour));
    reply.busyIntervalMs = static_cast<int>(Number(parts[2], kMaxMs, behaviour));
  } else if (name == "intermediate") {
    ExpectArgs(parts, 1, 1, behaviour);
    reply.intermediateFrames = static_cast<int>(Number(parts[1], kMaxCount, behaviour));
  } else if (name == "stale") {
    ExpectArgs(parts, 0, 0, behaviour);
    reply.staleAnswerFirst = true;
  } else if (name == "badsum") {
    ExpectArgs(parts, 1, 1, behaviour);
    reply.badChecksums = static_cast<int>(Number(parts[1], kMaxCount, behaviour));
  } else if (name == "extra") {
    ExpectArgs(parts, 1, 1, behaviour);
    reply.extraAfter = HexArgument(parts[1], behaviour);
  } else if (name == "slow") {
    ExpectArgs(parts, 1, 1, behaviour);
    reply.byteDelayMs = static_cast<int>(Number(parts[1], kMaxMs, behaviour));
  } else if (name == "hangup") {
    ExpectArgs(parts, 0, 0, behaviour);
    reply.hangUpMidAnswer = true;
  } else if (name == "status") {
    ExpectArgs(parts, 2, 3, behaviour);
    reply.printerStatus = StatusWord(parts[1], behaviour);
    reply.fiscalStatus = StatusWord(parts[2], behaviour);
    if (parts.size() == 4) reply.returnCode = StatusWord(parts[3], behaviour);
  } else if (name == "fields" || name == "raw") {
    // Field texts may hold ':' themselves, so take everything after the first one.
    const std::size_t colon = behaviour.find(':');
    if (colon == std::string_view::npos) Bad("'" + std::string(behaviour) + "' needs ':' and a list");
    (name == "fields" ? reply.fields : reply.rawFields) = TextList(behaviour.substr(colon + 1));
  } else {
    Bad("unknown host behaviour '" + std::string(behaviour) + "'");
  }
}

void ApplyDgiBehaviour(TDgiReply& reply, std::string_view behaviour) {
  // Named copies rather than a structured binding: the lambda below captures the name.
  const std::pair<std::string, std::string> nameAndRest = NameAndRest(behaviour);
  const std::string& name = nameAndRest.first;
  const std::string& rest = nameAndRest.second;
  const bool hasValue = behaviour.find(':') != std::string_view::npos;
  const auto noValue = [&] {
    if (hasValue) Bad("'" + name + "' takes no value, got '" + std::string(behaviour) + "'");
  };
  if (name == "ack") {
    noValue();
  } else if (name == "nak") {
    noValue();
    reply.nak = true;
  } else if (name == "silent") {
    noValue();
    reply.silent = true;
  } else if (name == "final") {
    if (!hasValue) Bad("'final' needs ':TEXT'");
    reply.frames = {UnescapeText(rest)};
  } else if (name == "frames") {
    if (!hasValue || rest.empty()) Bad("'frames' needs ':T1,T2,...'");
    reply.frames = TextList(rest);
  } else if (name == "badsum") {
    if (!hasValue) Bad("'badsum' needs ':N'");
    reply.badChecksums = static_cast<int>(Number(rest, kMaxCount, behaviour));
  } else if (name == "pause") {
    if (!hasValue) Bad("'pause' needs ':MS'");
    reply.pauseMs = static_cast<int>(Number(rest, kMaxMs, behaviour));
  } else if (name == "raw") {
    if (!hasValue || rest.empty()) Bad("'raw' needs ':HEX'");
    reply.raw = HexArgument(rest, behaviour);
  } else {
    Bad("unknown DGI behaviour '" + std::string(behaviour) + "'");
  }
}

TOptions ParseOptions(const std::vector<std::string>& args) {
  TOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--help" || option == "-h") {
      options.help = true;
      return options;
    }
    if (option == "--version") {
      options.version = true;
      return options;
    }
    if (option != "--link" && option != "--dgi-link" && option != "--protocol" && option != "--on" &&
        option != "--dgi-on")
      Bad("unknown option '" + option + "'");
    if (i + 1 >= args.size()) Bad(option + " needs a value");
    const std::string& value = args[++i];
    if (option == "--link") {
      options.link = value;
    } else if (option == "--dgi-link") {
      options.dgiLink = value;
    } else if (option == "--protocol") {
      if (value == "compatible") options.protocol = THostProtocol::Compatible;
      else if (value == "extended") options.protocol = THostProtocol::Extended;
      else Bad("--protocol is 'compatible' or 'extended', got '" + value + "'");
    } else if (option == "--on") {
      const auto [key, behaviour] = KeyAndBehaviour(value, option);
      ApplyHostBehaviour(RuleFor(key, options.hostDefault, options.hostRules), behaviour);
    } else {
      const auto [key, behaviour] = KeyAndBehaviour(value, option);
      ApplyDgiBehaviour(RuleFor(key, options.dgiDefault, options.dgiRules), behaviour);
    }
  }
  if (options.link.empty()) Bad("--link PATH is required");
  if (options.link == options.dgiLink) Bad("--link and --dgi-link must differ");
  if (options.dgiLink.empty() && (options.dgiDefault || !options.dgiRules.empty()))
    Bad("--dgi-on needs --dgi-link");
  return options;
}

std::string UnescapeText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (i + 3 < text.size() && text[i + 1] == 'x') {
      const auto byte = wire::ParseHexBytes(text.substr(i + 2, 2));
      if (!byte) Bad("bad escape in '" + std::string(text) + "' (use \\xHH or \\\\)");
      out += *byte;
      i += 3;
    } else {
      Bad("bad escape in '" + std::string(text) + "' (use \\xHH or \\\\)");
    }
  }
  return out;
}

std::string PrintableText(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F && c != '"' && c != '\\') {
      out += c;
    } else {
      out += "\\x" + wire::HexBytes(std::string_view(&c, 1));
    }
  }
  return out;
}

std::string UsageText() {
  return R"(usage: quorvel-emulator --link PATH [--dgi-link PATH] [--protocol compatible|extended]
                        [--on CMD=BEHAVIOUR]... [--dgi-on DATA=BEHAVIOUR]...
   or: quorvel-emulator --help | --version

Plays a fiscal printer on pseudo-terminals until SIGINT or SIGTERM. PATH becomes a
symbolic link to the host line, the second PATH to the DGI line; both are removed on exit.
Without rules every command gets a healthy answer: status words 0, return code 0, the
command echoed as one field; every DGI command gets ACK.

CMD is field 1 of a host command, DATA the data of a DGI command; "*" stands for every
command without a rule of its own. Several rules for the same CMD add up. In CMD, DATA
and texts, \xHH is the byte HH and \\ a backslash.

Host behaviours (--on):
  ok                      a healthy answer (overrides "*")
  noack                   the answer without an ACK before it
  nak                     NAK, nothing more
  silent                  no reply at all
  busy:N:MS               N DC2 busy reports, MS apart, before the answer
  intermediate:N          N intermediate frames (SEQ 0x80) before the answer
  stale                   an answer with another SEQ before the right one
  badsum:N                N answers with a wrong checksum, each repeated after the host's NAK
  extra:HEX               these bytes right after the answer
  slow:MS                 the answer byte by byte, MS apart
  hangup                  close the line halfway through the answer
  status:PPPP:FFFF[:RRRR] printer status, fiscal status [, return code], hexadecimal
  fields:A,B,...          the fields after the fixed ones ("fields:" for none)
  raw:A,B,...             the whole field list of the answer

DGI behaviours (--dgi-on):
  ack | nak | silent      a single ACK (the default), NAK, or nothing
  final:TEXT              one answer frame with these data (status code first)
  frames:T1,T2,...        answer frames in order, each after the host's ACK of the one before
  badsum:N                the first frame N times with a wrong checksum first
  pause:MS                MS of silence before each answer frame
  raw:HEX                 these bytes instead of any of the above
An ENQ on the DGI line is always answered with ACK.

Standard output: "ready host=PATH [dgi=PATH]" once the lines exist, then one line
per command received:
  host seq=XX command="TEXT" frame=HEX
  dgi data="TEXT" frame=HEX       dgi enq
)";
}

}  // namespace quorvel::emulator
