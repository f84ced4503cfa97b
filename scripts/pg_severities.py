#!/usr/bin/env python3
"""Writes the rules that know PostgreSQL's message severities in every installed language.

PostgreSQL translates the severity of a server message ("FEHLER:  ...", "ERREUR:  ...") and the
"error: "/"warning: " prefixes of its frontend tools ("psql: Fehler: ...", "erreur : ..."). This
script reads the message catalogs that the Debian packages install (and the C library's, for the
reasons and option errors psql passes on) and writes two rule files:

  res/AnalyzeRules/posix/postgresql-languages.xml  psql's lines in every language (POSTGRESQL)
  res/AnalyzeRules/posix/common-safety-net.xml     the safety net for failure-shaped lines that
                                                   no rule takes, with every severity word (COMMON)

Run it again after installing a new PostgreSQL version (Python 3 standard library only):

  python3 scripts/pg_severities.py [--version 15] [--locales /usr/share/locale] [--out DIR]

ERROR, FATAL and PANIC fail an object, WARNING warns, NOTICE, INFO, DEBUG and LOG are harmless;
the frontend "error: " (and the "fatal: " of older tools) fails, "warning: " warns. A word that
two languages use for different severities takes the stronger one (Georgian uses one word for
WARNING and NOTICE: both warn).
"""
import argparse
import gettext
import glob
import os
import re
import sys

SERVER = {"ERROR": "fail", "FATAL": "fail", "PANIC": "fail", "WARNING": "warn",
          "NOTICE": "harmless", "INFO": "harmless", "DEBUG": "harmless", "LOG": "harmless"}
FRONTEND = {"error: ": "fail", "fatal: ": "fail", "warning: ": "warn"}
# What the system says when \copy's file is missing, unreadable or a folder (the C library's
# catalog): psql -c and psql < FILE print it after the file name alone.
SYSTEM_REASONS = ["No such file or directory", "Permission denied", "Is a directory"]
# Frontend tools an import script runs: their failures in every language. The English lines of
# the loaders pg_dump, pg_dumpall and pg_restore are left to the loader rules; these rules take
# only their translations.
OWN_TOOLS = ["psql", "createdb", "createuser", "dropdb", "dropuser", "clusterdb", "reindexdb",
             "vacuumdb"]
LOADERS = ["pg_dump", "pg_dumpall", "pg_restore"]
# The C library's option errors, which psql prints after the name it was called by.
GETOPT = ["%s: unrecognized option '%s%s'\n", "%s: invalid option -- '%c'\n",
          "%s: option requires an argument -- '%c'\n"]
STRENGTH = {"harmless": 0, "warn": 1, "fail": 2}
# A tool may be called by its path: "/usr/lib/postgresql/15/bin/psql".
PATH = "(?:/[^\\s:]*/)?"


def catalogs(locales, name):
    """(language, translations) of every installed catalog `name`."""
    for path in sorted(glob.glob(os.path.join(locales, "*", "LC_MESSAGES", name))):
        with open(path, "rb") as handle:
            yield path.split(os.sep)[-3], gettext.GNUTranslations(handle)._catalog


def collect(locales, version):
    """Maps of translated text -> severity class (server words, frontend prefixes); the C
    library's reasons and (separator, text) of its option errors in those languages; the
    languages seen."""
    server, frontend, reasons, languages = {}, {}, set(), set()
    # English first: "%s: unrecognized option '" -> (": ", "unrecognized option '").
    options = {(": ", re.match(r"%s: ([^%]*)", text).group(1)) for text in GETOPT}

    def keep(table, text, severity):
        if text and STRENGTH[severity] >= STRENGTH.get(table.get(text, "harmless"), 0):
            table[text] = severity

    for language, catalog in catalogs(locales, "postgres-%s.mo" % version):
        languages.add(language)
        for word, severity in SERVER.items():
            keep(server, catalog.get(word, word), severity)
    frontend_catalogs = [path for path in glob.glob(os.path.join(
        locales, "*", "LC_MESSAGES", "*-%s.mo" % version))
        if not re.search(r"/(postgres|libpq5|plpgsql)-", path)]
    for name in sorted({os.path.basename(path) for path in frontend_catalogs}):
        for language, catalog in catalogs(locales, name):
            languages.add(language)
            for prefix, severity in FRONTEND.items():
                if prefix in catalog:
                    keep(frontend, catalog[prefix], severity)
    for language, catalog in catalogs(locales, "libc.mo"):
        if language in languages:
            reasons.update(catalog[r] for r in SYSTEM_REASONS if r in catalog)
            for text in GETOPT:
                # The separator as translated (French puts a no-break space before the colon).
                found = re.match(r"%s(\W*?: ?|：)([^%]+)", catalog.get(text, ""))
                if found:
                    options.add(found.groups())
    for word, severity in SERVER.items():
        keep(server, word, severity)
    for prefix, severity in FRONTEND.items():
        keep(frontend, prefix, severity)
    return server, frontend, reasons, languages, options


def alternatives(texts):
    """A regex alternation of literal texts, longest first, XML-escaped."""
    ordered = sorted(set(texts), key=lambda text: (-len(text), text))
    return "|".join(xml(re.sub(r"([\\^$.|?*+()\[\]{}])", r"\\\1", t)) for t in ordered)


def xml(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def words_of(table, severity, english=()):
    return [text for text, found in table.items() if found == severity and text not in english]


def rule(rule_id, name, priority, describe, match, actions, error=False, output=None):
    lines = ['  <AnalyzeRule id="%d" name="%s" type="REGEX" priority="%s" behavior="HARDSTOP">'
             % (rule_id, name, priority), "    <Describe>%s</Describe>" % describe]
    if error:
        lines.append("    <Type>Error</Type>")
    lines.append("    <Match>%s</Match>" % match)
    if output:
        lines.append("    <Output>%s</Output>" % output)
    lines += ["    <Action>%s</Action>" % action for action in actions]
    return "\n".join(lines + ["  </AnalyzeRule>"])


def postgresql_rules(server, frontend, reasons, options, languages, version):
    english_server = set(SERVER)
    english_frontend = set(FRONTEND)
    prefix = "(?:%spsql:[^\\n]*?:\\d+: )?" % PATH
    own = "%s(?:%s)(?::[^\\n]*?:\\d+)?: " % (PATH, "|".join(OWN_TOOLS))
    loaders = "%s(?:%s): " % (PATH, "|".join(LOADERS))

    def frontend_match(severity):
        every = alternatives(words_of(frontend, severity))
        translated = alternatives(words_of(frontend, severity, english_frontend))
        return "^(?:%s(?:%s)|%s(?:%s))(.*)\\n" % (own, every, loaders, translated)

    rules = [
        "<!-- Generated by scripts/pg_severities.py from the PostgreSQL %s message catalogs (%s).\n"
        "     Do not edit: run the script again. -->" % (version, " ".join(sorted(languages))),
        "<!-- psql's lines in every language of the catalogs: the server's severities as psql "
        "prints them\n     (\"psql:FILE:LINE: FEHLER:  ...\", bare with psql -c and psql &lt; FILE), "
        "the frontend tools'\n     prefixes (\"psql: erreur : ...\"). The English forms are the "
        "other rules'; these come after them. -->",
        '<AnalyzeRules id="2400" group="POSTGRESQL">',
        "  <!-- As rule 3 for the translations of NOTICE, INFO, DEBUG and LOG: never an error, "
        "whatever words\n       the message holds. -->",
        rule(60, "Postgresql_message", "VERYHIGH",
             "Show psql's notice, info, debug and log lines in other languages",
             "^(%s(?:%s):  [^\\n]*)\\n" % (prefix, alternatives(
                 words_of(server, "harmless", english_server))), ["OutputResultInfo"],
             output="[#1]"),
        rule(61, "Postgresql_error", "HIGH", "Find Postgresql error in other languages",
             "^%s(?:%s):  (.*)\\n" % (prefix, alternatives(
                 words_of(server, "fail", english_server))), ["OutputResultErrorPostgresql"],
             error=True),
        "  <!-- Rule 402 of the embedded file takes the English warning after psql's prefix. -->",
        rule(62, "Postgresql_warning", "HIGH", "Find Postgresql warning in any language",
             "^%s(?:%s):  (.*)\\n" % (prefix, alternatives(words_of(server, "warn"))),
             ["OutputResultWarningPostgresql"], output="[#1]"),
        "  <!-- psql and the other tools of an import: their own errors and warnings. -->",
        rule(63, "Postgresql_client_error", "HIGH", "Find PostgreSQL tool error in any language",
             frontend_match("fail"), ["OutputResultErrorPostgresql"], error=True),
        rule(64, "Postgresql_client_warning", "HIGH",
             "Find PostgreSQL tool warning in any language", frontend_match("warn"),
             ["OutputResultWarningPostgresql"], output="[#1]"),
        "  <!-- As rule 6 in the other languages: \\copy by psql -c or from standard input. "
        "psql's warning\n       that it cannot enter the folder it was started in is harmless. "
        "-->",
        rule(65, "Postgresql_client_error", "HIGH",
             "Find psql client error without psql's prefix in other languages",
             "^(?!could not change directory to )([^:\\n]+: (?:%s))\\n"
             % alternatives(reasons - set(SYSTEM_REASONS)), ["OutputResultErrorPostgresql"],
             error=True),
        "  <!-- An option psql does not know or that lacks its argument, in the C library's "
        "words: psql\n       names itself as it was called, by its path too. -->",
        rule(66, "Postgresql_client_error", "HIGH", "Find psql option error",
             "^(%spsql(?:%s)[^\\n]*)\\n" % (PATH, "|".join(
                 "%s%s" % (alternatives([separator]), alternatives([text.strip()]))
                 for separator, text in sorted(options))),
             ["OutputResultErrorPostgresql"], error=True),
        "</AnalyzeRules>",
    ]
    return "\n".join(rules) + "\n"


def safety_net(server, frontend, version, languages):
    words = set(["Error", "Fatal", "Warning", "panic"])
    for text, severity in list(server.items()) + list(frontend.items()):
        if severity == "harmless":
            continue
        word = text.strip().rstrip(":").strip()
        words.add(word)
        # Case forms where the script has them in use (not Georgian's rare capitals).
        if all(ord(char) < 0x530 for char in word):
            words.update([word[:1].upper() + word[1:], word.upper()])
    match = ("^(?!Warning:)((?:[^\\s:]+(?::[^\\s:]+:\\d+:|:(?: [^\\s:]+:)?) ?)?(?:%s)"
             "(?: \\d+(?: \\([0-9A-Z]{5}\\))?)?(?: at line \\d+(?: in file: '[^\\n]*?')?)? ?: *\\S[^\\n]*"
             "|Traceback \\(most recent call last\\):|Exception in thread [^\\n]*)\\n"
             % alternatives(words))
    return "\n".join([
        "<!-- Generated by scripts/pg_severities.py from the PostgreSQL %s message catalogs (%s)\n"
        "     and English. Do not edit: run the script again. -->"
        % (version, " ".join(sorted(languages))),
        "<!-- The safety net: a line that no rule takes but that has the shape of a failure "
        "gives the current\n     object a Warning that quotes it, so that an unknown failure "
        "is seen; never an error. The shape:\n     a severity word as the first word of the "
        "message (\"error:\", \"FEHLER:  \", \"erreur : \", \"ERROR 1045 (28000):\"),\n     "
        "after an optional \"program:\", \"program: file:\" or \"program:file:line:\"; a Python "
        "traceback; a Java\n     thread's exception. LOW: after every group's HIGH and MID "
        "rules, and before the VERYLOW\n     catch-all that shows a line as it is (a VERYLOW "
        "rule of this file would come after it). A bare\n     \"Warning:\" is left to sqlplus's "
        "LOW rule of the ORACLE group, which comes after this group's. -->",
        '<AnalyzeRules id="2100" group="COMMON">',
        '  <AnalyzeRule id="1" name="FailureShapedLine" type="REGEX" priority="LOW" '
        'behavior="HARDSTOP">',
        "    <Describe>Warn of a line that looks like a failure that no rule knows</Describe>",
        "    <Match>%s</Match>" % match,
        "    <Output>[#1]</Output>",
        "    <Action>OutputResultWarning</Action>",
        "  </AnalyzeRule>",
        "</AnalyzeRules>",
    ]) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--version", default="15")
    parser.add_argument("--locales", default="/usr/share/locale")
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser.add_argument("--out", default=os.path.join(root, "res", "AnalyzeRules", "posix"))
    args = parser.parse_args()
    server, frontend, reasons, languages, options = collect(args.locales, args.version)
    if not languages:
        sys.exit("no PostgreSQL %s catalogs under %s" % (args.version, args.locales))
    outputs = {"postgresql-languages.xml": postgresql_rules(server, frontend, reasons, options,
                                                            languages, args.version),
               "common-safety-net.xml": safety_net(server, frontend, args.version, languages)}
    for name, text in outputs.items():
        with open(os.path.join(args.out, name), "w", encoding="utf-8") as handle:
            handle.write(text)
        print("wrote", os.path.join(args.out, name))


if __name__ == "__main__":
    main()
