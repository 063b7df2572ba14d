# The demo: SketchUp's stand-in opens a model, the plug-in loads through its loader script, the
# user's Start TwinLink command runs, and korvan-peer, Korvan's stand-in, reads what arrives and
# draws it.
#   ./run demo               the built-in sample house
#   ./run demo FILE          a file in a common exchange format (OBJ, COLLADA, glTF, ...)
# Everything it writes goes to build/demo: the picture (house.png, or FILE's name with .png),
# the scene as glTF (house.gltf), and the link's registry, shared memory and runtime folders,
# so that the demo never touches another link on this machine. On the sample house it then
# edits the model while the link runs (the roof painted red, a tree moved) and draws what
# Korvan holds afterwards (house-edited.png).
require 'fileutils'
require 'json'
require 'open3'

ROOT = File.expand_path('..', __dir__)
BUILD = ENV.fetch('TWINLINK_BUILD_DIR', File.join(ROOT, 'build'))
OUT = File.join(BUILD, 'demo')
PEER = File.join(BUILD, 'peer', 'korvan-peer')
LOADER = File.join(BUILD, 'plugin', 'Plugins', 'korvan_twinlink.rb')
# A safety net for a broken build, not a timing assumption.
WAIT_LIMIT_SECONDS = 600

def now = Process.clock_gettime(Process::CLOCK_MONOTONIC)

def peer(*arguments)
  out, err, status = Open3.capture3(PEER, *arguments)
  abort "korvan-peer #{arguments.join(' ')} failed: #{err}" unless status.success?
  out
end

source = ARGV[0]
begin
  model = source ? Sketchup.open_file(source) && Sketchup.active_model : HostSim.open_sample_house
rescue IOError, ArgumentError => e
  abort e.message
end
abort "cannot open #{source}" unless model

FileUtils.rm_rf(OUT)
FileUtils.mkdir_p(OUT)
{ 'TWINLINK_REGISTRY_ROOT' => 'registry', 'TWINLINK_SHM_DIR' => 'shm', 'TWINLINK_RUNTIME_DIR' => 'run' }
  .each { |variable, folder| ENV[variable] = File.join(OUT, folder) }
load LOADER
# The link needs a saved model: its path names the link.
stem = source ? File.basename(source, '.*') : 'house'
link = File.join(OUT, "#{stem}.skp")
model.save(link)

puts "Model: #{source || 'built-in sample house'}, saved as #{link}"
# Korvan is installed but not running: the start offers to start it, and the desktop's default
# answer (Yes) lets the plug-in launch it, as a user would.
KORVAN_VERSION = '9.0'
peer('install', '--version', KORVAN_VERSION, '--location', File.join(OUT, 'Korvan'))
HostSim.reset_meshing_clock
started = now
HostSim.menu_item('Extensions', 'Korvan TwinLink', 'Start TwinLink').command.invoke
start_returned = now
abort 'Start TwinLink did not start the link' unless HostSim.menu_item('Extensions', 'Korvan TwinLink',
                                                                      'Stop TwinLink').command.enabled?

# The plug-in lists the link once its worker has sent the whole model.
until JSON.parse(peer('list'))['links'].include?(link)
  abort 'the link was never published' if now - started > WAIT_LIMIT_SECONDS
  sleep 0.005
end
counts = JSON.parse(peer('counts', '--link', link))
held = now

image = File.join(OUT, "#{stem}.png")
scene = File.join(OUT, "#{stem}.gltf")
peer('render', '--link', link, '--out', image)
peer('export', '--link', link, '--out', scene)

abort "korvan-peer found problems in the link: #{counts['problems']}" unless counts['problems'].empty?
totals = counts['totals']
drawn, unused = counts['materials'].partition { |m| m['triangles'].positive? }

puts
puts 'What Korvan received, per material:'
puts format('  %-28s %10s %10s %10s', 'material', 'vertices', 'indices', 'triangles')
drawn.sort_by { |m| -m['triangles'] }.each do |m|
  puts format('  %-28s %10d %10d %10d', m['name'], m['vertices'], m['indices'], m['triangles'])
end
puts format('  %-28s %10d %10d %10d', 'total', totals['vertices'], totals['indices'], totals['triangles'])
puts "  and #{unused.size} materials without faces (#{unused.map { |m| m['name'] }.join(', ')})" unless unused.empty?
puts
puts format('Materials: %d, triangles: %d (the %d triangles SketchUp draws, front and back)', totals['materials'], totals['triangles'],
            HostSim.summary(model)[:visible_triangles])
puts format('Start TwinLink returned after %.1f ms (of which SketchUp meshing faces: %.1f ms)',
            (start_returned - started) * 1000, HostSim.meshing_seconds * 1000)
puts format('Korvan held the whole model %.1f ms after Start', (held - started) * 1000)
puts "Picture of what Korvan received: #{image}"
puts "The scene as glTF 2.0:          #{scene}"
launched = JSON.parse(peer('windows'))['windows'].find { |w| w['title'] == "Korvan #{KORVAN_VERSION}" }
puts "Korvan #{KORVAN_VERSION}, started by the plug-in: #{launched ? "running (process #{launched['processId']})" : 'not running'}"

# { material => [vertices, indices] } as Korvan holds it, and as SketchUp draws the model.
def held_counts(link)
  JSON.parse(peer('counts', '--link', link))['materials'].reject { |m| m['vertices'].zero? }
      .to_h { |m| [m['name'], [m['vertices'], m['indices']]] }
end

def drawn_counts(model)
  listed = model.materials.map(&:name)
  HostSim.drawn_triangles(model, File.join(OUT, 'drawn.txt')).each_with_object(Hash.new([0, 0])) do |(name, c), all|
    name = 'Default material' unless listed.include?(name)
    all[name] = all[name].zip(c).map(&:sum)
  end
end

unless source
  model.start_operation('Paint the roof')
  roof = model.entities.grep(Sketchup::Group).find { |g| g.name == 'House' }
              .definition.entities.grep(Sketchup::Group).find { |g| g.name == 'Roof' }
  roof.definition.entities.grep(Sketchup::Face).each { |face| face.material = 'Canopy Red' }
  model.commit_operation
  tree = model.entities.grep(Sketchup::Group).find { |g| g.name == 'Garden' }
              .definition.entities.grep(Sketchup::ComponentInstance).find { |i| i.definition.name == 'Tree' }
  tree.transform!(Geom::Transformation.translation([-120, -60, 0]))
  edited = now
  # SketchUp goes idle: what arrived outside an operation is closed and handed to the worker.
  HostSim.pump(0)
  wanted = drawn_counts(model)
  until held_counts(link) == wanted
    abort 'Korvan never got the edits' if now - edited > WAIT_LIMIT_SECONDS
    sleep 0.001
  end
  puts
  puts format('Live edits (roof painted red, a tree moved): Korvan held them %.1f ms after the last edit',
              (now - edited) * 1000)
  edited_image = File.join(OUT, "#{stem}-edited.png")
  peer('render', '--link', link, '--out', edited_image)
  puts "Picture after the edits:        #{edited_image}"
end

HostSim.menu_item('Extensions', 'Korvan TwinLink', 'Stop TwinLink').command.invoke
# The Korvan the plug-in started would keep running, waiting for the next link.
Process.kill(:TERM, launched['processId']) if launched
