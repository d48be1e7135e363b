# Turns the settings that `corvane-relay --help` lists into a part of another document:
#   format=man  the OPTIONS entries of corvane-relay(1), in roff
#   format=env  every variable as a line of /etc/corvane-relay/relay.env: commented, with its default
#               where the description names one, except those named in `set` (NAME=VALUE, separated
#               by spaces), which are written as set
# The help lists each setting as a line indented by two spaces (the flag and its argument, or
# "(environment only)") followed by lines indented by six: the variable, then the description.

# Roff text: backslashes doubled, hyphens of options (--listen) as minus signs, and a line that would
# start with a control character guarded.
function roff(text,    out, rest) {
    gsub(/\\/, "\\e", text)
    out = ""
    while (match(text, /--[a-z-]+/)) {
        rest = substr(text, RSTART, RLENGTH)
        gsub(/-/, "\\-", rest)
        out = out substr(text, 1, RSTART - 1) rest
        text = substr(text, RSTART + RLENGTH)
    }
    out = out text
    if (out ~ /^[.']/) {
        out = "\\&" out
    }
    return out
}

# `text` as comment lines of at most 100 columns, broken between words.
function comment(text,    words, count, line, i) {
    count = split(text, words, " ")
    line = "#"
    for (i = 1; i <= count; ++i) {
        if (length(line) + 1 + length(words[i]) > 100 && line != "#") {
            print line
            line = "#"
        }
        line = line " " words[i]
    }
    print line
}

# The default a description names as "(default VALUE)" or "(default VALUE; ...)", when it is one word.
function defaultValue(text) {
    if (match(text, /\(default [^ ;)]+[;)]/)) {
        return substr(text, RSTART + 9, RLENGTH - 10)
    }
    return ""
}

function flush(    flag, argument, space) {
    if (variable == "") {
        return
    }
    if (format == "man") {
        print ".TP"
        if (left == "(environment only)") {
            print "\\fB" variable "\\fR (environment only)"
        } else {
            space = index(left, " ")
            flag = space ? substr(left, 1, space - 1) : left
            argument = space ? substr(left, space + 1) : ""
            print "\\fB" roff(flag) "\\fR" (argument != "" ? " \\fI" roff(argument) "\\fR" : "") ", \\fB" variable "\\fR"
        }
        print roff(description)
    } else {
        print ""
        comment((left == "(environment only)" ? "" : left ": ") description)
        if (variable in chosen) {
            print variable "=" chosen[variable]
        } else {
            print "#" variable "=" defaultValue(description)
        }
    }
    variable = ""
    description = ""
}

BEGIN {
    count = split(set, pairs, " ")
    for (i = 1; i <= count; ++i) {
        equals = index(pairs[i], "=")
        chosen[substr(pairs[i], 1, equals - 1)] = substr(pairs[i], equals + 1)
    }
    settings = 0
}

/^  [^ ]/ {
    flush()
    left = substr($0, 3)
    settings = 1
    next
}

/^      [^ ]/ && settings {
    line = substr($0, 7)
    if (variable == "") {
        variable = line
    } else {
        description = description (description == "" ? "" : " ") line
    }
    next
}

END {
    flush()
    if (!settings) {
        print "relay-settings.awk: the help lists no settings" > "/dev/stderr"
        exit 1
    }
}
