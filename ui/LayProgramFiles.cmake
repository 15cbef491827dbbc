# Lays the files that come with the program beside it: HAND-M.CUR, x/o.cjs and
# whatever resources/Samples holds (the sample databases may also be generated
# straight into the program folder by the engine's tools).
# Called with -DSOURCE=<resources folder> -DTARGET=<program folder>.
file(MAKE_DIRECTORY ${TARGET}/x ${TARGET}/Samples)
file(COPY_FILE ${SOURCE}/HAND-M.CUR ${TARGET}/HAND-M.CUR ONLY_IF_DIFFERENT)
file(COPY_FILE ${SOURCE}/x/o.cjs ${TARGET}/x/o.cjs ONLY_IF_DIFFERENT)
file(GLOB samples ${SOURCE}/Samples/*)
foreach(sample IN LISTS samples)
  get_filename_component(name ${sample} NAME)
  file(COPY_FILE ${sample} ${TARGET}/Samples/${name} ONLY_IF_DIFFERENT)
endforeach()
