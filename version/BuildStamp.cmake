# Writes OUT: a source file with the build's date and time, in the forms
# "May 27 2002" and "02:10:28" (local time; SOURCE_DATE_EPOCH, when set, fixes it).
string(TIMESTAMP qm_date "%b %d %Y")
string(TIMESTAMP qm_time "%H:%M:%S")
file(WRITE ${OUT}.new
"// Generated at build time by version/BuildStamp.cmake.\n#include \"version/build_stamp.h\"\n\nnamespace qm {\n\nconst char* BuildDateText() { return \"${qm_date}\"; }\nconst char* BuildTimeText() { return \"${qm_time}\"; }\n\n}  // namespace qm\n")
file(RENAME ${OUT}.new ${OUT})
