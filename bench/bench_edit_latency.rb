# Edit to Korvan while the link runs: the time from an operation's commit until korvan-peer,
# watching as Korvan does, has read the batches that the edit changed. Current SketchUp's
# observer order (element events after the commit). Run by ./run bench inside hostsim-ruby:
#   build/hostsim/hostsim-ruby bench/bench_edit_latency.rb [EDITS] [CITY_TRIANGLES]
# Reported for the sample house and a generated city: median and 99th percentile over EDITS
# moves of one placement; then, with every face of the city painted one material, over up to 50
# repaints of one face (the material's whole batch is written again) and 50 moves of that face
# (written where it lies). Two times each,
# on the machine's monotonic clock that korvan-peer reports: until Korvan is woken (the
# plug-in's part) and until it has read the changed batches.
require 'etc'
require 'fileutils'
require 'json'
require 'tmpdir'
require_relative 'bench_support'

EDITS = Integer(ARGV[0] || 200)
CITY_TRIANGLES = Integer(ARGV[1] || 1_000_000)


# Starts the link on `model` with a watching peer; yields a block that times one edit: the
# commit happens inside `edit`, the wait ends when the peer has read what the edit sent. The
# block answers [seconds until the peer was woken, seconds until it had read].
def with_link(model, folder, name)
  link = File.join(folder, "#{name}.skp")
  model.save(link)
  HostSim.defer_element_events = true
  output, input = IO.pipe
  watcher = Process.spawn(PEER, 'watch', '--link', link, '--timeout-ms', WAIT_LIMIT_MS.to_s, out: input)
  input.close
  command('Start TwinLink').invoke
  output.gets or abort 'korvan-peer never saw the model'
  timer = lambda do |edit|
    edit.call
    committed = wall
    HostSim.pump(0)  # SketchUp goes idle: what the edit reported is handed to the worker
    line = output.gets or abort 'korvan-peer saw no wake-up message'
    report = JSON.parse(line)
    report['scene'] or abort "korvan-peer read no scene: #{line}"
    report['clock'].values_at('wokenNs', 'readNs').map { |ns| ns / 1e9 - committed }
  end
  yield timer, link
ensure
  command('Stop TwinLink').invoke if command('Stop TwinLink').enabled?
  Process.kill(:TERM, watcher) if watcher
  Process.wait(watcher) if watcher
end

def report(label, samples)
  puts "  #{label}"
  [['Korvan woken', 0], ['batches read', 1]].each do |what, column|
    ms = samples.map { |sample| sample[column] * 1000 }
    puts format('    %-14s median %7.2f ms   p99 %7.2f ms', what, percentile(ms, 0.5), percentile(ms, 0.99))
  end
end

def moves(timer, placement)
  Array.new(EDITS) do |i|
    timer.call(lambda do
      placement.transform!(Geom::Transformation.translation([i.even? ? 12 : -12, 0, 0]))
    end)
  end
end

with_private_plugin do |base|
  puts "Edit latency benchmark (#{Etc.nprocessors} cores, #{EDITS} edits each)"
  house = HostSim.open_sample_house
  with_link(house, base, 'House') do |timer, _|
    tree = house.entities.grep(Sketchup::Group).find { |g| g.name == 'Garden' }
                .definition.entities.grep(Sketchup::ComponentInstance).first
    report('sample house: move a tree', moves(timer, tree))
  end

  city = HostSim.open_city(21, CITY_TRIANGLES)
  with_link(city, base, 'City') do |timer, _|
    building = city.entities.grep(Sketchup::Group).first || city.entities.grep(Sketchup::ComponentInstance).first
    report(format('city of %d triangles: move a placement', CITY_TRIANGLES), moves(timer, building))
  end

  # The same city with every face painted one material: a batch of the whole city.
  city = HostSim.open_city(21, CITY_TRIANGLES)
  whole = city.materials.add('Whole city')
  other = city.materials.add('One face')
  faces = city.definitions.flat_map { |d| d.entities.grep(Sketchup::Face) }
  city.start_operation('Paint everything')
  faces.each { |f| f.material = whole }
  city.commit_operation
  with_link(city, base, 'OneMaterialCity') do |timer, link|
    triangles = JSON.parse(`"#{PEER}" counts --link "#{link}"`)['materials']
                    .find { |m| m['name'] == whole.name }['triangles']
    face = faces.first
    edits = [EDITS, 50].min
    report(format('one material of %d triangles: repaint one face', triangles),
           Array.new(edits) { |i| timer.call(-> { face.material = i.even? ? other : whole }) })
    report(format('one material of %d triangles: move one face', triangles),
           Array.new(edits) do |i|
             timer.call(lambda do
               face.parent.entities.transform_entities(Geom::Transformation.translation([0, 0, i.even? ? 1 : -1]), face)
             end)
           end)
  end
end
