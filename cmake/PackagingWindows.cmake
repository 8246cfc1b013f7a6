# The Windows package: a ZIP (plessard-vellicor-VERSION-win32.zip, or
# -win64) whose one folder holds the two programs, the README, the licence
# and the example tone description file.
install(TARGETS plessard vellicor RUNTIME DESTINATION .)
install(FILES README.md LICENSE DESTINATION .)
install(FILES examples/organ.tgw DESTINATION examples)

set(CPACK_GENERATOR ZIP)
include(CPack)
