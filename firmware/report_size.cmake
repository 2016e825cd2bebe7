# Prints what a firmware takes of the ATmega328P's 32 KB of flash and 2 KB of RAM, and fails when
# it does not fit. Flash holds the code and the initial data; RAM the data and the zeroed
# variables, with the rest left to the stack. A bootloader, if the board has one, takes its own
# part of the flash's top (0.5 KB on the common boards) besides.
execute_process(COMMAND ${SIZE} -A ${ELF} OUTPUT_VARIABLE sections COMMAND_ERROR_IS_FATAL ANY)
set(text 0)
set(data 0)
set(bss 0)
foreach(section text data bss)
  if(sections MATCHES "\n\\.${section} +([0-9]+)")
    set(${section} ${CMAKE_MATCH_1})
  endif()
endforeach()
math(EXPR flash "${text} + ${data}")
math(EXPR ram "${data} + ${bss}")
get_filename_component(name ${ELF} NAME)
message("${name}: flash ${flash} of 32768 bytes, RAM ${ram} of 2048 bytes")
if(flash GREATER 32768 OR ram GREATER 2048)
  message(FATAL_ERROR "${name} does not fit the ATmega328P")
endif()
