# The ping record: parsing of a complete ping, the header check and head-type adoption, and
# the head information as display texts.
vq_library(vq_link_record
           SOURCES ${CMAKE_CURRENT_LIST_DIR}/ping_record.cpp
                   ${CMAKE_CURRENT_LIST_DIR}/header_check.cpp
                   ${CMAKE_CURRENT_LIST_DIR}/sonar_info_text.cpp
           DEPS vq_options)
