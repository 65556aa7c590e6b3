# Writes a program's manual page, and for a program with commands its bash
# completion, from what the program's --help prints, so that the options are
# described once, where they are parsed. Run at build time:
#   cmake -DPROGRAM=<path> -DNAME=<name> -DVERSION=<v> -DMAN=<out.1>
#         [-DCOMPLETION=<out>] [-DSEE_ALSO=<name,...>] -P HelpPages.cmake
# A program with commands lists them under "Commands:" in its --help; each
# command's own --help gives its section.

function(run_help out)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
                            ${PROGRAM} ${ARGN} --help
                    OUTPUT_VARIABLE text RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${PROGRAM} ${ARGN} --help failed: ${result}")
    endif()
    # The usage line names the program by the path it was started with.
    string(REGEX REPLACE "^Usage: [^ \n]+" "Usage: ${NAME}" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text as roff: backslashes escaped, hyphens as minus signs, no line opening
# with a control character.
function(roff out text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# One --help as man-page text: the usage as a synopsis line, the description,
# then every option and argument as a tagged paragraph. Sets <prefix>_options
# (every option name) and <prefix>_valued (those that take a value).
function(help_to_man out prefix text heading)
    string(REPLACE ";" "\\;" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(page "")
    set(section "usage")
    set(options "")
    set(valued "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^Usage: (.*)$")
            roff(usage "${CMAKE_MATCH_1}")
            string(APPEND page "${heading}.B ${usage}\n.PP\n")
        elseif(line MATCHES "^(Options|Arguments|Commands):$")
            set(section "${CMAKE_MATCH_1}")
            string(APPEND page ".PP\n.B ${CMAKE_MATCH_1}:\n")
        # A term (option, argument, command) two spaces in, its text after a
        # run of spaces; lines indented further carry on the text.
        elseif(line MATCHES "^  ([^ ]|[^ ].*[^ ])  +([^ ].*)$" AND NOT section STREQUAL "usage")
            set(term "${CMAKE_MATCH_1}")
            roff(help "${CMAKE_MATCH_2}")
            if(section STREQUAL "Options")
                string(REGEX MATCHALL "--?[a-zA-Z][-a-zA-Z]*" names "${term}")
                list(APPEND options ${names})
                if(term MATCHES "<")
                    list(APPEND valued ${names})
                endif()
            endif()
            roff(term "${term}")
            string(APPEND page ".TP\n.B ${term}\n${help}\n")
        elseif(line MATCHES "^ +(.*)$" AND NOT section STREQUAL "usage")
            roff(more "${CMAKE_MATCH_1}")
            string(APPEND page "${more}\n")
        elseif(line STREQUAL "")
            string(APPEND page ".PP\n")
        else()
            roff(plain "${line}")
            string(APPEND page "${plain}\n")
        endif()
    endforeach()
    list(REMOVE_ITEM options --help-all)
    set(${out} "${page}" PARENT_SCOPE)
    set(${prefix}_options "${options}" PARENT_SCOPE)
    set(${prefix}_valued "${valued}" PARENT_SCOPE)
endfunction()

run_help(main_help)
# The first line after the usage is the one-line description.
string(REGEX MATCH "\n([^\n]+)" summary "${main_help}")
string(STRIP "${CMAKE_MATCH_1}" summary)
string(REGEX REPLACE "\\.$" "" summary "${summary}")
roff(summary_roff "${summary}")
string(TOUPPER "${NAME}" title)
set(man ".TH ${title} 1 \"\" \"Velunor ${VERSION}\" \"User Commands\"\n")
string(APPEND man ".SH NAME\n${NAME} \\- ${summary_roff}\n.SH SYNOPSIS\n")
help_to_man(main_page main "${main_help}" "")
string(APPEND man "${main_page}")

string(REGEX MATCH "\nCommands:\n(.*)\n\n" commands_block "${main_help}")
string(REGEX MATCHALL "\n  [a-z]+ " command_lines "\n${CMAKE_MATCH_1}")
set(commands "")
foreach(line IN LISTS command_lines)
    string(STRIP "${line}" command)
    list(APPEND commands ${command})
endforeach()
if(commands)
    string(APPEND man ".SH COMMANDS\n")
endif()
foreach(command IN LISTS commands)
    run_help(command_help ${command})
    help_to_man(command_page ${command} "${command_help}" ".SS ${command}\n")
    string(APPEND man "${command_page}")
    set(${command}_options "${${command}_options}")
    set(${command}_valued "${${command}_valued}")
endforeach()
if(SEE_ALSO)
    roff(see "${SEE_ALSO}")
    string(REPLACE "," " (1),\n.BR " see "${see}")
    string(APPEND man ".SH SEE ALSO\n.BR ${see} (1)\n")
endif()
file(WRITE "${MAN}" "${man}")

if(NOT COMPLETION)
    return()
endif()
# Commands first, then the options of the command given and files.
string(REPLACE "-" "_" function "_${NAME}")
list(JOIN commands " " command_words)
list(JOIN main_options " " main_words)
set(cases "")
set(valued_all "")
foreach(command IN LISTS commands)
    list(JOIN ${command}_options " " words)
    string(APPEND cases "        ${command}) options=\"${words}\" ;;\n")
    list(APPEND valued_all ${${command}_valued})
endforeach()
list(REMOVE_DUPLICATES valued_all)
list(REMOVE_ITEM valued_all -o --output)
list(JOIN valued_all "|" valued_pattern)
file(WRITE "${COMPLETION}" "# bash completion for ${NAME}, generated from its --help
${function}()
{
    local cur prev words cword
    _init_completion || return
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W \"${command_words} ${main_words}\" -- \"$cur\"))
        return
    fi
    local options=\"\"
    case \${words[1]} in
${cases}    esac
    case $prev in
        -o|--output) _filedir; return ;;
        ${valued_pattern}) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))
    else
        _filedir
    fi
}
complete -F ${function} ${NAME}
")
