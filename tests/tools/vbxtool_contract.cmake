# Runs vbxtool like a user's script would and checks every case of its contract.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(failures 0)

function(run expected_code)
  execute_process(COMMAND ${EMULATOR} "${TOOL}" ${ARGN} RESULT_VARIABLE code ERROR_VARIABLE err OUTPUT_VARIABLE out)
  if(NOT code EQUAL expected_code)
    message(SEND_ERROR "vbxtool ${ARGN}: exit ${code}, expected ${expected_code}; stderr: ${err}")
  endif()
  set(last_stderr "${err}" PARENT_SCOPE)
  set(last_stdout "${out}" PARENT_SCOPE)
endfunction()

# Compares a file with the expected text; an optional third argument is hex put in front.
function(expect_file path expected)
  if(NOT EXISTS "${path}")
    message(SEND_ERROR "${path} was not written")
    return()
  endif()
  file(READ "${path}" actual HEX)
  string(HEX "${expected}" wanted)
  set(wanted "${ARGN}${wanted}")
  if(NOT actual STREQUAL wanted)
    message(SEND_ERROR "${path}:\n  got      ${actual}\n  expected ${wanted}")
  endif()
endfunction()

set(head "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<prompts>\n")
set(bom efbbbf)

# Wrong arguments: usage on stderr, exit 2.
run(2)
if(NOT last_stderr MATCHES "usage")
  message(SEND_ERROR "no usage text on stderr: ${last_stderr}")
endif()
run(2 unknown-command a b)
run(2 resave-library only-one)
run(2 resave-settings a b c)

# resave-library: a file that holds no library is an error and nothing is written.
run(1 resave-library "${WORK}/missing.xml" "${WORK}/out.xml")
file(WRITE "${WORK}/junk.xml" "no library here")
run(1 resave-library "${WORK}/junk.xml" "${WORK}/out.xml")
if(EXISTS "${WORK}/out.xml")
  message(SEND_ERROR "resave-library wrote a file although the input held no library")
endif()

# A hand-made library comes out in the writer's own form.
file(WRITE "${WORK}/hand.xml" "<prompts>\r\n<item><fav>yes</fav><name>a&amp;b</name><text>x\ny</text></item>\r\n<item><name></name></item></prompts>")
run(0 resave-library "${WORK}/hand.xml" "${WORK}/out.xml")
expect_file("${WORK}/out.xml" "${head}  <item>\n    <name>a&amp;b</name>\n    <text>x\r\ny</text>\n    <fav>1</fav>\n    <lasttext></lasttext>\n  </item>\n</prompts>" ${bom})
file(WRITE "${WORK}/empty.xml" "<prompts></prompts>")
run(0 resave-library "${WORK}/empty.xml" "${WORK}/out.xml")
expect_file("${WORK}/out.xml" "${head}</prompts>" ${bom})

# resave-settings: the record exactly as read; a missing file gives the defaults.
set(colors "prompt_sf=#000000\r\nprompt_bf=#DCDCDC\r\nfavoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\nai_sf=#000000\r\nai_bf=#DCDCDC\r\n")
run(0 resave-settings "${WORK}/missing.cf" "${WORK}/out.cf")
expect_file("${WORK}/out.cf" "ai=ChatGPT\r\nprompt=0\r\n${colors}")
file(WRITE "${WORK}/in.cf" "junk\nai=Gemini\nsg=0\nmfav=3\nprompt=2\nai_bf=#abcdef\n")
run(0 resave-settings "${WORK}/in.cf" "${WORK}/out.cf")
expect_file("${WORK}/out.cf" "ai=Gemini\r\nprompt=2\r\nmfav=3\r\nprompt_sf=#000000\r\nprompt_bf=#DCDCDC\r\nfavoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\nai_sf=#000000\r\nai_bf=#ABCDEF\r\n")

# first-start-settings: what start-up writes back.
run(0 first-start-settings "${WORK}/missing.cf" "${WORK}/out.cf")
expect_file("${WORK}/out.cf" "ai=ChatGPT\r\nprompt=0\r\nsg=13\r\nmfav=5\r\n${colors}")
run(0 first-start-settings "${WORK}/in.cf" "${WORK}/out.cf")
expect_file("${WORK}/out.cf" "ai=Gemini\r\nprompt=2\r\nsg=13\r\nmfav=3\r\nprompt_sf=#000000\r\nprompt_bf=#DCDCDC\r\nfavoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\nai_sf=#000000\r\nai_bf=#ABCDEF\r\n")

# An output that can't be written is reported.
run(1 resave-settings "${WORK}/missing.cf" "${WORK}/no-such-folder/out.cf")

# Imports append through the writer (the library made when missing), line breaks made CR LF;
# an export imports back the same, and a prompt the library holds already is passed over.
file(WRITE "${WORK}/in.csv" "name,text,fav\nA\tb,\"x\ny\",1\n")
run(0 import-csv "${WORK}/in.csv" "${WORK}/lib.xml")
run(0 export-json "${WORK}/lib.xml" "${WORK}/out.json")
expect_file("${WORK}/out.json" "[\n  {\n    \"name\": \"A\\tb\",\n    \"text\": \"x\\r\\ny\",\n    \"fav\": true,\n    \"lasttext\": \"\"\n  }\n]\n")
run(0 import-json "${WORK}/out.json" "${WORK}/lib.xml")
if(NOT last_stdout STREQUAL "0 added, 1 already in the library\n")
  message(SEND_ERROR "import-json of what the library holds: ${last_stdout}")
endif()
set(item "  <item>\n    <name>A\tb</name>\n    <text>x\r\ny</text>\n    <fav>1</fav>\n    <lasttext></lasttext>\n  </item>\n")
set(lib "${head}${item}</prompts>")
expect_file("${WORK}/lib.xml" "${lib}" ${bom})

# A German spreadsheet's file ("ANSI", semicolons) with columns named on the command line; the
# library it is added to is kept as a backup first.
string(ASCII 228 ae)
file(GLOB backups "${WORK}/prompts-backup-*.xml")
file(REMOVE "${WORK}/none" ${backups}) # of out.xml, resaved above
file(WRITE "${WORK}/de.csv" "Frage;Antwort;Favorit\r\nB${ae}r;\"a;b\";\r\n")
run(0 import-csv "${WORK}/de.csv" "${WORK}/lib.xml" --text-column=antwort "--name-column= Frage")
if(NOT last_stderr MATCHES "de.csv: not UTF-8; read as Windows-1252")
  message(SEND_ERROR "import-csv did not say how it read de.csv: ${last_stderr}")
endif()
file(GLOB backups "${WORK}/prompts-backup-*.xml")
list(LENGTH backups count)
if(NOT count EQUAL 1)
  message(SEND_ERROR "import-csv kept ${count} backups: ${backups}")
endif()
expect_file("${backups}" "${lib}" ${bom})
run(0 export-csv "${WORK}/lib.xml" "${WORK}/out.csv" --separator=tab)
expect_file("${WORK}/out.csv" "name\ttext\tfav\r\n\"A\tb\"\t\"x\r\ny\"\t1\r\nBär\ta;b\t0\r\n" ${bom})
run(0 list "${WORK}/lib.xml")
if(NOT last_stdout STREQUAL "0\t*\tA b\n1\t\tBär\n")
  message(SEND_ERROR "list printed: ${last_stdout}")
endif()
run(2 export-csv "${WORK}/lib.xml" "${WORK}/out.csv" --separator=x)
run(2 import-json "${WORK}/out.json" "${WORK}/lib.xml" --name-column=x)
file(READ "${WORK}/lib.xml" lib HEX)

# Bad input names its place and leaves the library alone; so does a library that can't be read
# whole, and a JSON number too big for a double.
file(WRITE "${WORK}/bad.csv" "text,name,fav\nt,n,1\nt,n,2\n")
file(WRITE "${WORK}/bad.json" "[{\"name\":\"n\",\"text\":\"t\"},{\"name\":\"n\"}]")
file(WRITE "${WORK}/big.json" "[1e999]")
foreach(bad "import-csv;bad.csv;line 3: fav" "import-json;bad.json;element 1: \"text\"" "import-json;big.json;a number is too big")
  list(GET bad 0 command)
  list(GET bad 1 input)
  list(GET bad 2 place)
  run(1 ${command} "${WORK}/${input}" "${WORK}/lib.xml")
  if(NOT last_stderr MATCHES "${input}: ${place}")
    message(SEND_ERROR "${command}: no place in the message: ${last_stderr}")
  endif()
  file(READ "${WORK}/lib.xml" now HEX)
  if(NOT now STREQUAL lib)
    message(SEND_ERROR "${command} ${input} changed the library")
  endif()
endforeach()
run(1 import-json "${WORK}/out.json" "${WORK}/junk.xml")
expect_file("${WORK}/junk.xml" "no library here")
file(WRITE "${WORK}/cut.xml" "<prompts>\n<item><name>a</name>")
run(1 import-csv "${WORK}/in.csv" "${WORK}/cut.xml")
if(NOT last_stderr MATCHES "cut.xml: line 2: an item begins here and never ends")
  message(SEND_ERROR "import-csv into a cut library: ${last_stderr}")
endif()
expect_file("${WORK}/cut.xml" "<prompts>\n<item><name>a</name>")
