# Optional Authenticode signing with osslsigncode. Off unless ZORDELO_SIGN_PKCS12 is set.
# The password is never a build option (it would land in CMakeCache.txt): it is read from the
# environment variable ZORDELO_SIGN_PASSWORD at build time.
set(ZORDELO_SIGN_PKCS12 "" CACHE FILEPATH "PKCS#12 file holding the code-signing certificate and key (empty: do not sign)")
set(ZORDELO_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server to countersign with (optional)")

# Signs the target's file in place right after it is linked. uninstall.exe is signed before
# setup.exe packs it, because setup's payload depends on the finished uninstall target.
function(zordelo_sign target)
  if(ZORDELO_SIGN_PKCS12)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_SOURCE_DIR}/scripts/sign-exe.sh $<TARGET_FILE:${target}> ${ZORDELO_SIGN_PKCS12}
              "${ZORDELO_SIGN_TIMESTAMP_URL}"
      COMMENT "Signing ${target}" VERBATIM)
  endif()
endfunction()
