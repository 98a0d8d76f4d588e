# The removal's rules in awk, for timing against the library.
# usage: LC_ALL=C mawk -v name=PLUGIN -f remove_plugin.awk FILE > OUT
# Exit status 4 or 5 for a header error. A carriage return at the very end
# of a file without a final line feed is dropped here, kept by the library;
# the benchmark's files end with a line feed.
BEGIN { state = 0; upper_name = toupper(name) }
{
  line = $0
  z = index(line, "\032")
  if (z) line = substr(line, 1, z - 1)
  else if (substr(line, length(line), 1) == "\r") line = substr(line, 1, length(line) - 1)
  if (z && line == "") exit 0
  match(line, /^ */)
  line = substr(line, RLENGTH + 1)
  sp = index(line, " ")
  if (sp) { key = substr(line, 1, sp - 1); rest = substr(line, sp + 1) }
  else { key = line; rest = "" }
  if (state == 0) {
    if (key == "ZKCO") state = 1
    else if (key == "MDOP") state = 2
    else exit 4
  } else if (state == 1) {
    if (key == "0") state = 2
    else exit 5
  } else if (key == "Plugin" && rest != "" && index(toupper(rest), upper_name)) {
    next
  }
  printf "%s %s\r\n", key, rest
  if (z) exit 0
}
