# Doxygen input filter for the public headers, which document with plain
# comments. Every output line stands for the input line of the same number,
# so that Doxygen's warnings point at the source.
#
#   // text, /* text          documentation of the declaration that follows
#   decl;  // text            documentation of that member (also after "," and
#                             after the last enumerator of a list)
#   // ---- Title ----        a named member group (a section of the reference);
#   /* ---- Title ---- */      the comment paragraph right after it, up to a bare
#                             "//" line or a declaration, describes the group
#   first comment of a file   the file's own documentation
#
# A group ends at the next banner, at an access specifier or at the closing
# brace of the scope it was opened in, or at the end of the file.

function trim(s) {
    sub(/^[ \t]+/, "", s)
    sub(/[ \t]+$/, "", s)
    return s
}

# The title of a banner comment line, or "" when the line is none.
function banner_title(line,    t) {
    t = line
    if (t !~ /^[ \t]*(\/\/|\/\*) ?----/) return ""
    sub(/^[ \t]*(\/\/|\/\*) ?-+/, "", t)
    sub(/\*\/[ \t]*$/, "", t)
    sub(/-+[ \t]*$/, "", t)
    t = trim(t)
    if (t == "") return ""
    return toupper(substr(t, 1, 1)) substr(t, 2)
}

# The braces of a code line, comments and literals taken out.
function brace_delta(line,    code, opens, closes) {
    code = line
    gsub(/"([^"\\]|\\.)*"/, "", code)
    gsub(/'([^'\\]|\\.)*'/, "", code)
    sub(/\/\/.*/, "", code)
    gsub(/\/\*([^*]|\*[^\/])*\*\//, "", code)
    opens = gsub(/\{/, "", code)
    closes = gsub(/\}/, "", code)
    return opens - closes
}

function is_line_comment(line) { return line ~ /^[ \t]*\/\// }

# A plain comment line as a documentation line.
function doc_line(line) {
    if (line ~ /^[ \t]*\/\/\//) return line
    if (line ~ /^[ \t]*\/\/$/) { sub(/\/\/$/, "///", line); return line }
    sub(/\/\/ /, "/// ", line)
    return line
}

{ src[NR] = $0 }

FNR == 1 { base = FILENAME; sub(/.*\//, "", base) }

END {
    depth = 0
    open = 0          # a member group is open
    open_depth = 0    # brace depth it was opened at
    in_c = 0          # inside a /* */ comment
    file_doc = 1      # no declaration yet: the first comment documents the file
    group_doc = 0     # inside the description paragraph of a group

    for (i = 1; i <= NR; ++i) {
        line = src[i]
        out = line
        prefix = ""

        if (in_c) {
            if (line ~ /\*\//) in_c = 0
            print line
            continue
        }

        title = banner_title(line)
        if (title != "") {
            if (open) prefix = "/**@}*/ "
            open = 1
            open_depth = depth
            file_doc = 0
            if (line ~ /^[ \t]*\/\*/) {
                # A C banner: the comment lines that follow it are its description.
                if (line ~ /\*\/[ \t]*$/) {
                    print prefix "/** @name " title " */ /**@{*/"
                } else {
                    print prefix "/** @name " title
                    for (++i; i <= NR && src[i] !~ /\*\//; ++i) print src[i]
                    if (i <= NR) {
                        t = src[i]
                        sub(/\*\/.*/, "*/ /**@{*/", t)
                        print t
                    }
                }
                continue
            }
            # A // banner: its description runs to a bare "//" or a non-comment.
            if (i < NR && is_line_comment(src[i + 1]) && src[i + 1] !~ /^[ \t]*\/\/[ \t]*$/ &&
                banner_title(src[i + 1]) == "") {
                print prefix "/** @name " title
                for (++i; i < NR && is_line_comment(src[i + 1]) &&
                          src[i + 1] !~ /^[ \t]*\/\/[ \t]*$/ && banner_title(src[i + 1]) == "";
                     ++i) {
                    t = src[i]
                    sub(/\/\/ ?/, "   ", t)
                    print t
                }
                t = src[i]
                sub(/\/\/ ?/, "   ", t)
                print t " */ /**@{*/"
            } else {
                print prefix "/** @name " title " */ /**@{*/"
            }
            continue
        }

        if (line ~ /^[ \t]*\/\*/ && line !~ /^[ \t]*\/\*\*/) {
            # A C comment: documentation of what follows (or of the file).
            if (file_doc) {
                sub(/\/\*/, "/** @file " base " ", out)
                file_doc = 0
            } else {
                sub(/\/\*/, "/**", out)
            }
            if (line !~ /\*\//) in_c = 1
            print out
            continue
        }

        if (is_line_comment(line)) {
            out = doc_line(line)
            if (file_doc) {
                sub(/\/\/\/ ?/, "/// @file " base " ", out)
                file_doc = 0
                # The rest of the block continues the file's documentation.
            }
            print out
            continue
        }

        code = line
        if (code !~ /^[ \t]*(#|$)/) file_doc = 0

        # A comment after a member on its line documents that member.
        last_enumerator = code ~ /^[ \t]*[A-Za-z_][A-Za-z0-9_]*[ \t]*=[^;=]*[ \t](\/\/|\/\*) /
        if (code ~ /[;,][ \t]*\/\/ / || (last_enumerator && code ~ /\/\/ /)) {
            sub(/[ \t]*\/\/ /, " ///< ", out)
        } else if (code ~ /[;,][ \t]*\/\* / || last_enumerator) {
            sub(/[ \t]*\/\* /, " /**< ", out)
        }

        delta = brace_delta(line)
        if (open && (line ~ /^[ \t]*(public|private|protected)[ \t]*:/) && depth == open_depth) {
            prefix = "/**@}*/ "
            open = 0
        }
        if (open && delta < 0 && depth + delta < open_depth) {
            prefix = "/**@}*/ "
            open = 0
        }
        depth += delta
        print prefix out
    }
    if (open) print "/**@}*/"
}
