# Beam forming, shot averaging and the beam byte image.
set(_vq_dsp_dir ${CMAKE_CURRENT_LIST_DIR})
set(_vq_dsp_sources
    ${_vq_dsp_dir}/array_geometry.cpp
    ${_vq_dsp_dir}/tvg.cpp
    ${_vq_dsp_dir}/element_unpack.cpp
    ${_vq_dsp_dir}/shot_average.cpp
    ${_vq_dsp_dir}/byte_image.cpp
    ${_vq_dsp_dir}/beam_former.cpp
    ${_vq_dsp_dir}/beam_form.cpp
    ${_vq_dsp_dir}/beam_kernels_dispatch.cpp
    ${_vq_dsp_dir}/beam_kernels_generic.cpp)
set(_vq_dsp_x86 OFF)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i.86)$")
  set(_vq_dsp_x86 ON)
  list(APPEND _vq_dsp_sources ${_vq_dsp_dir}/beam_kernels_avx2.cpp
       ${_vq_dsp_dir}/beam_kernels_avx512.cpp)
endif()
vq_library(vq_dsp SOURCES ${_vq_dsp_sources} DEPS vq_settings)
# The kernels are built once per instruction set and chosen at run time, so the default
# build stays portable. Multiply-adds are fused in the kernels.
set(_vq_dsp_kernel_flags -O3 -ffp-contract=fast -fno-math-errno)
set_source_files_properties(${_vq_dsp_dir}/beam_kernels_generic.cpp PROPERTIES
                            COMPILE_OPTIONS "${_vq_dsp_kernel_flags}")
if(_vq_dsp_x86)
  target_compile_definitions(vq_dsp PUBLIC VQ_HAVE_X86_KERNELS=1)
  set_source_files_properties(${_vq_dsp_dir}/beam_kernels_avx2.cpp PROPERTIES
                              COMPILE_OPTIONS "${_vq_dsp_kernel_flags};-mavx2;-mfma")
  set_source_files_properties(${_vq_dsp_dir}/beam_kernels_avx512.cpp PROPERTIES
                              COMPILE_OPTIONS "${_vq_dsp_kernel_flags};-mavx512f;-mavx2;-mfma")
endif()
