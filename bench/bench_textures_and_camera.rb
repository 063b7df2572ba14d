# What textures and the camera cost while SketchUp waits. Run by ./run bench inside hostsim-ruby:
#   build/hostsim/hostsim-ruby bench/bench_textures_and_camera.rb [MATERIALS] [SIZE] [PUSHES]
#   - Start TwinLink on a model of MATERIALS (50) textured materials of SIZE x SIZE (1024)
#     pixels, each on one face, with the pictures as files (each written beside the model:
#     their sources lie in SketchUp's temporary folder) and in memory (MemoryTextures), against
#     the same model untextured: the difference per texture is the export's cost;
#   - one camera push, from a change of the view to the VIEW record written and Korvan woken:
#     median and 99th percentile over PUSHES (1000) changes.
require 'etc'
require 'fileutils'
require 'tmpdir'
require_relative 'bench_support'

MATERIALS = Integer(ARGV[0] || 50)
SIZE = Integer(ARGV[1] || 1024)
PUSHES = Integer(ARGV[2] || 1000)

# A SIZE x SIZE picture of soft noise, as a binary PPM in SketchUp's temporary folder.
def write_picture(folder, index)
  path = File.join(folder, "texture#{index}.ppm")
  row = Array.new(SIZE * 3) { |i| (i * 7 + index * 31) & 0xFF }.pack('C*')
  File.binwrite(path, "P6\n#{SIZE} #{SIZE}\n255\n" + row * SIZE)
  path
end

def textured_model(pictures)
  Sketchup.file_new
  model = Sketchup.active_model
  pictures.each_with_index do |picture, i|
    face = model.entities.add_face([i * 20, 0, 0], [i * 20 + 10, 0, 0], [i * 20 + 10, 10, 0], [i * 20, 10, 0])
    material = model.materials.add("Texture #{i}")
    material.texture = picture if picture
    face.material = material
  end
  model
end

# Seconds until Start TwinLink returned.
def start_seconds(model, path)
  model.save(path)
  started = wall
  command('Start TwinLink').invoke
  (wall - started).tap do
    abort 'the link did not start' unless command('Stop TwinLink').enabled?
    command('Stop TwinLink').invoke
  end
end

with_private_plugin do |base|
  puts "Textures and camera (#{Etc.nprocessors} cores)"
  # Where SketchUp unpacks textures: below the temporary folder the plug-in was loaded with.
  temp = Dir.mktmpdir('sketchup-textures-', Dir.tmpdir)
  pictures = Array.new(MATERIALS) { |i| write_picture(temp, i) }

  plain = start_seconds(textured_model([nil] * MATERIALS), File.join(base, 'Plain.skp'))
  [['as files', 0], ['in memory', 1]].each do |way, memory|
    write_setting('MemoryTextures', memory)
    seconds = start_seconds(textured_model(pictures), File.join(base, "Textured #{memory}.skp"))
    puts format('  %d textures of %dx%d %-10s Start returned after %7.1f ms (untextured %.1f ms): %6.2f ms a texture',
                MATERIALS, SIZE, SIZE, way, seconds * 1000, plain * 1000, (seconds - plain) * 1000 / MATERIALS)
  end
  FileUtils.rm_rf(temp)

  # Followed, so that every push also wakes Korvan's windows (none run here).
  write_setting('CameraAutoSync', 1)
  model = textured_model([nil])
  model.save(File.join(base, 'Camera.skp'))
  command('Start TwinLink').invoke
  view = model.active_view
  cameras = [Sketchup::Camera.new([-300, -400, 200], [0, 0, 0], [0, 0, 1]),
             Sketchup::Camera.new([300, -400, 250], [10, 0, 0], [0, 0, 1])]
  times = Array.new(PUSHES) do |i|
    started = wall
    view.camera = cameras[i % 2]
    (wall - started) * 1e6
  end
  command('Stop TwinLink').invoke
  puts format('  camera push (%d view changes)   median %7.1f us   p99 %7.1f us', PUSHES, percentile(times, 0.5),
              percentile(times, 0.99))
end
